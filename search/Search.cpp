#include "search/Search.h"

#include "storage/ArchiveError.h"
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "storage/TextField.h"
#include "storage/Windows1252.h"
#include "shell/LineMaker.h"

#include <string_view>

namespace Search {
namespace {

std::span<const char> fieldOf(std::span<const char> record, const RecordLayout &layout, int field)
{
    const FieldDef &def = layout.field(field);
    return record.subspan(static_cast<std::size_t>(def.offset), static_cast<std::size_t>(def.size()));
}


} // namespace

std::vector<ActiveFilter> activeFilters(std::span<const Filter> filters)
{
    std::vector<ActiveFilter> active;
    for (const Filter &filter : filters) {
        if (TextField::trimmed(filter.text).isEmpty())
            continue;
        const QString folded = lowerCase(filter.text);
        ActiveFilter entry{Windows1252::encode(folded), true, filter.field};
        // Every byte decodes to one character, so the text is storable exactly when
        // its bytes decode back to it.
        entry.storable = Windows1252::decode(entry.bytes) == folded;
        active.push_back(std::move(entry));
    }
    return active;
}

bool matches(std::span<const char> record, const RecordLayout &layout, std::span<const ActiveFilter> active)
{
    // Compared as stored bytes: folding the capitals in the bytes folds them in
    // the text, since those letters are single bytes of the code page.
    char folded[256];
    for (const ActiveFilter &filter : active) {
        if (!filter.storable)
            return false;
        const std::span<const char> field = fieldOf(record, layout, filter.field);
        const int length = TextField::storedLength(field);
        if (length < filter.bytes.size())
            return false;
        for (int i = 0; i < length; ++i) {
            const char b = field[static_cast<std::size_t>(i) + 1];
            folded[i] = Lines::lowerCaseByte(b);
        }
        if (std::string_view(folded, static_cast<std::size_t>(length)).find(std::string_view(filter.bytes.constData(), static_cast<std::size_t>(filter.bytes.size())))
            == std::string_view::npos)
            return false;
    }
    return true;
}

QString StudentSearchLine(const RecordBuffer &student)
{
    return studentSearchLine(student.span());
}

QString studentSearchLine(std::span<const char> record)
{
    using namespace StudentRecord;
    static constexpr Lines::Column kColumns[] = {
        {QLatin1StringView("  Isc. n. "), txtNumIsc, 14},
        {QLatin1StringView("  Data: "), txtDataIsc, 10},
        {QLatin1StringView("  Tel. "), txtPreferenziale, 14},
        {QLatin1StringView("  Corso: "), txtCodiceCor, 18},
        {QLatin1StringView("  Pat. n. "), txtNumPat, 14},
        {QLatin1StringView("  Cat. "), txtCatPat, -1},
    };
    // The blank that joins surname and name stays: " Mario" without a surname.
    static const Lines::LineMaker maker({&StudentRecord::layout(), txtCognome, txtNome, 28, kColumns, Lines::NameJoin::Blank});
    return maker.line(record);
}

QString TT2112SearchLine(const RecordBuffer &form)
{
    return tt2112SearchLine(form.span());
}

QString tt2112SearchLine(std::span<const char> record)
{
    using namespace TT2112Record;
    static constexpr Lines::Column kColumns[] = {
        {QLatin1StringView("  CF: "), txtCodFiscPro, 16},
        {QLatin1StringView("  Data: "), txtData, 10},
        {QLatin1StringView("  Patente "), txtConsegui, 2},
        {QLatin1StringView("  Note: "), txtNote, -1},
    };
    static const Lines::LineMaker maker({&TT2112Record::layout(), txtCognome, txtNome, 30, kColumns, Lines::NameJoin::Blank});
    return maker.line(record);
}

namespace {

// Hands every record of the archive that matches the filters, with its 1-based
// position, to `add`; true when every record counted at the opening was scanned.
template <typename Add>
bool scanMatches(const QString &path, const RecordLayout &layout, std::span<const Filter> filters, const Add &add)
{
    const std::vector<ActiveFilter> active = activeFilters(filters);
    RecordFile file;
    file.OpenOrCreate(path, layout.recordSize);
    qint64 position = 0;
    const bool whole = file.ScanRecords([&](std::span<const char> record) {
        ++position;
        if (matches(record, layout, active))
            add(record, position);
    });
    file.CloseRecordFile();
    return whole;
}

} // namespace

QStringList run(const QString &path, const RecordLayout &layout, std::span<const Filter> filters, LineBuilder line,
                bool *complete)
{
    QStringList lines;
    Lines::FoldedSort sort;
    const bool whole = scanMatches(path, layout, filters, [&](std::span<const char> record, qint64) {
        lines << line(record);
        sort.add(lines.constLast());
    });
    if (complete)
        *complete = whole;
    sort.sort(lines);
    return lines;
}

RecordLines runRecords(const QString &path, const RecordLayout &layout, std::span<const Filter> filters, LineBuilder line,
                       bool *complete)
{
    RecordLines found;
    Lines::FoldedSort sort;
    const bool whole = scanMatches(path, layout, filters, [&](std::span<const char> record, qint64 position) {
        found.append(line(record), position);
        sort.add(found.lines.added(found.lines.size() - 1));
    });
    if (complete)
        *complete = whole;
    sort.sort(found.lines);
    return found;
}

void readRecordAt(const QString &path, const RecordLayout &layout, qint64 position,
                  const std::function<void(std::span<const char>, qint64)> &visit)
{
    RecordFile file;
    file.OpenOrCreate(path, layout.recordSize);
    QByteArray record(layout.recordSize, '\0');
    // ReadRecord raises the error for a position past the last record.
    file.SeekRecord(position - 1);
    file.ReadRecord(std::span<char>(record.data(), static_cast<std::size_t>(record.size())));
    file.CloseRecordFile();
    visit(std::span<const char>(record.constData(), static_cast<std::size_t>(record.size())), position);
}

} // namespace Search
