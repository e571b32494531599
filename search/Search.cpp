#include "search/Search.h"

#include "storage/ArchiveError.h"
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "storage/TextField.h"
#include "storage/Windows1252.h"
#include "students/Lines.h"

#include <string_view>

namespace Search {
namespace {

std::span<const char> fieldOf(std::span<const char> record, const RecordLayout &layout, int field)
{
    const FieldDef &def = layout.field(field);
    return record.subspan(static_cast<std::size_t>(def.offset), static_cast<std::size_t>(def.size()));
}

QString trimmedText(std::span<const char> record, const RecordLayout &layout, int field)
{
    return TextField::load(fieldOf(record, layout, field));
}

// "surname name" as one value of `width`.
QString nameColumn(std::span<const char> record, const RecordLayout &layout, int surname, int name, int width)
{
    const QString joined = trimmedText(record, layout, surname) + QLatin1Char(' ') + trimmedText(record, layout, name);
    return Lines::column(joined, width);
}

} // namespace

QString lowerAZ(QStringView text)
{
    QString result = text.toString();
    for (QChar &c : result) {
        if (c.unicode() >= u'A' && c.unicode() <= u'Z')
            c = QChar(static_cast<char16_t>(c.unicode() + (u'a' - u'A')));
    }
    return result;
}

std::vector<ActiveFilter> activeFilters(std::span<const Filter> filters)
{
    std::vector<ActiveFilter> active;
    for (const Filter &filter : filters) {
        if (TextField::trimmed(filter.text).isEmpty())
            continue;
        const QString folded = lowerAZ(filter.text);
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
    // Compared as stored bytes: folding A-Z in the bytes folds them in the text,
    // since those letters are their own bytes.
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
            folded[i] = (b >= 'A' && b <= 'Z') ? static_cast<char>(b + ('a' - 'A')) : b;
        }
        if (std::string_view(folded, static_cast<std::size_t>(length)).find(std::string_view(filter.bytes.constData(), static_cast<std::size_t>(filter.bytes.size())))
            == std::string_view::npos)
            return false;
    }
    return true;
}

QString StudentSearchLine(const RecordBuffer &student)
{
    return studentSearchLine(std::span<const char>(student.constData(), static_cast<std::size_t>(student.size())));
}

QString studentSearchLine(std::span<const char> record)
{
    using namespace StudentRecord;
    const RecordLayout &l = StudentRecord::layout();
    return nameColumn(record, l, txtCognome, txtNome, 28)
        + QStringLiteral("  Isc. n. ") + Lines::column(trimmedText(record, l, txtNumIsc), 14)
        + QStringLiteral("  Data: ") + Lines::column(trimmedText(record, l, txtDataIsc), 10)
        + QStringLiteral("  Tel. ") + Lines::column(trimmedText(record, l, txtPreferenziale), 14)
        + QStringLiteral("  Corso: ") + Lines::column(trimmedText(record, l, txtCodiceCor), 18)
        + QStringLiteral("  Pat. n. ") + Lines::column(trimmedText(record, l, txtNumPat), 14)
        + QStringLiteral("  Cat. ") + trimmedText(record, l, txtCatPat);
}

QString TT2112SearchLine(const RecordBuffer &form)
{
    return tt2112SearchLine(std::span<const char>(form.constData(), static_cast<std::size_t>(form.size())));
}

QString tt2112SearchLine(std::span<const char> record)
{
    using namespace TT2112Record;
    const RecordLayout &l = TT2112Record::layout();
    return nameColumn(record, l, txtCognome, txtNome, 30)
        + QStringLiteral("  CF: ") + Lines::column(trimmedText(record, l, txtCodFiscPro), 16)
        + QStringLiteral("  Data: ") + Lines::column(trimmedText(record, l, txtData), 10)
        + QStringLiteral("  Patente ") + Lines::column(trimmedText(record, l, txtConsegui), 2)
        + QStringLiteral("  Note: ") + trimmedText(record, l, txtNote);
}

QStringList run(const QString &path, const RecordLayout &layout, std::span<const Filter> filters, LineBuilder line)
{
    const std::vector<ActiveFilter> active = activeFilters(filters);
    QStringList lines;
    Lines::FoldedSort sort;
    RecordFile file;
    file.OpenOrCreate(path, layout.recordSize);
    file.ScanRecords([&](std::span<const char> record) {
        if (matches(record, layout, active)) {
            lines << line(record);
            sort.add(lines.constLast());
        }
    });
    file.CloseRecordFile();
    sort.sort(lines);
    return lines;
}

void forEachRecordWithLine(const QString &path, const RecordLayout &layout, LineBuilder line, QStringView wanted,
                           const std::function<void(std::span<const char>, qint64)> &visit)
{
    const QStringView target = TextField::trimmed(wanted);
    RecordFile file;
    file.OpenOrCreate(path, layout.recordSize);
    file.ScanRecords([&](std::span<const char> record) {
        if (TextField::trimmed(line(record)) == target)
            visit(record, file.CurrentRecord() + 1);
    });
    file.CloseRecordFile();
}

} // namespace Search
