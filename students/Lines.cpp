#include "students/Lines.h"

#include "storage/Layouts.h"
#include "storage/ArchiveError.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "storage/TextField.h"
#include "storage/Windows1252.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

namespace Lines {
namespace {

char16_t foldAZ(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
}

// Writes fixed-width lines straight into their final storage.
class LineWriter
{
public:
    explicit LineWriter(QChar *out)
        : m_out(out)
    {
    }
    void text(QLatin1StringView literal)
    {
        for (const char c : literal)
            *m_out++ = QLatin1Char(c);
    }
    void bytes(QByteArrayView value, int width)
    {
        const int length = width < 0 ? static_cast<int>(value.size()) : std::min(static_cast<int>(value.size()), width);
        for (int i = 0; i < length; ++i)
            *m_out++ = QChar(Windows1252::decodeByte(static_cast<unsigned char>(value[i])));
        for (int i = length; i < width; ++i)
            *m_out++ = QLatin1Char(' ');
    }

    qsizetype written(const QChar *begin) const { return m_out - begin; }

private:
    QChar *m_out;
};

// A field of a record, trimmed. Inlined: every value of every line goes through it.
Q_ALWAYS_INLINE QByteArrayView trimmedField(std::span<const char> record, const RecordLayout &layout, int index)
{
    const FieldDef &def = layout.field(index);
    return TextField::trimmedBytes(record.subspan(static_cast<std::size_t>(def.offset), static_cast<std::size_t>(def.size())));
}


// Visits the records of the file at `path` (created empty when missing), after
// telling `starting` (if given) how many there are. A failure while reading ends
// the visit quietly: what was done up to it stays.
void visitQuietly(const QString &path, int recordSize, const std::function<void(std::span<const char>)> &visit,
                  const std::function<void(qint64 records)> &starting = {})
{
    try {
        RecordFile file;
        file.OpenOrCreate(path, recordSize);
        if (starting)
            starting(file.RecordCount());
        file.ScanRecords(visit);
        file.CloseRecordFile();
    } catch (const RecordFileError &) {
    }
}

const LineFormat &lessonFormat()
{
    using namespace LessonRecord;
    static constexpr Column kColumns[] = {
        {QLatin1StringView("Data: "), txtData, 10},
        {QLatin1StringView("   Durata: "), txtDurata, 14},
        {QLatin1StringView("   Mezzo: "), txtVeicolo, 26},
        {QLatin1StringView("   Targa: "), txtTarga, 10},
        {QLatin1StringView("   Istr. "), txtIstruttore, 26},
        {QLatin1StringView("   Mod. "), txtModulo, -1},
    };
    static const LineFormat format{&LessonRecord::layout(), -1, -1, 0, kColumns};
    return format;
}

const LineFormat &attendeeFormat()
{
    using namespace StudentRecord;
    static constexpr Column kColumns[] = {
        {QLatin1StringView("  Isc. n. "), txtNumIsc, 14},
        {QLatin1StringView("  Data: "), txtDataIsc, 10},
        {QLatin1StringView("  Tel. "), txtPreferenziale, 14},
        {QLatin1StringView("  Corso: "), txtCodiceCor, 18},
        {QLatin1StringView("  "), txtNote, -1},
    };
    static const LineFormat format{&StudentRecord::layout(), txtCognome, txtNome, 28, kColumns};
    return format;
}

} // namespace

qsizetype longestLine(const LineFormat &format)
{
    qsizetype length = format.nameWidth;
    for (const Column &column : format.columns)
        length += column.label.size() + (column.width >= 0 ? column.width : 255);
    return length;
}

qsizetype writeLine(std::span<const char> record, const LineFormat &format, QChar *out)
{
    LineWriter writer(out);
    if (format.nameWidth > 0) {
        // Surname, a blank and the name make one value, trimmed as a whole or
        // keeping the blank.
        const QByteArrayView surname = trimmedField(record, *format.layout, format.surname);
        const QByteArrayView name = trimmedField(record, *format.layout, format.name);
        if (format.join == NameJoin::TrimmedWhole && (surname.isEmpty() || name.isEmpty())) {
            writer.bytes(surname.isEmpty() ? name : surname, format.nameWidth);
        } else if (surname.size() >= format.nameWidth) {
            writer.bytes(surname, format.nameWidth);
        } else {
            writer.bytes(surname, -1);
            writer.text(QLatin1StringView(" "));
            writer.bytes(name, format.nameWidth - 1 - static_cast<int>(surname.size()));
        }
    }
    for (const Column &column : format.columns) {
        writer.text(column.label);
        writer.bytes(trimmedField(record, *format.layout, column.field), column.width);
    }
    return writer.written(out);
}

QString line(std::span<const char> record, const LineFormat &format)
{
    QString text(longestLine(format), Qt::Uninitialized);
    text.truncate(writeLine(record, format, text.data()));
    return text;
}

QString LessonLine(const RecordBuffer &lesson)
{
    return lessonLine(lesson.span());
}

QString lessonLine(std::span<const char> record)
{
    return line(record, lessonFormat());
}

QStringList readLessonLines(const QString &path)
{
    QStringList lines;
    visitQuietly(path, LessonRecord::Size, [&lines](std::span<const char> record) {
        // A lesson without a date is not listed.
        if (!trimmedField(record, LessonRecord::layout(), LessonRecord::txtData).isEmpty())
            lines << lessonLine(record);
    });
    return lines;
}

QStringList readLessonLines(const QString &path, RecordBuffer &buffer)
{
    QStringList lines;
    visitQuietly(path, LessonRecord::Size, [&](std::span<const char> record) {
        buffer.setBytes(QByteArrayView(record.data(), static_cast<qsizetype>(record.size())));
        if (!trimmedField(buffer.span(), LessonRecord::layout(), LessonRecord::txtData).isEmpty())
            lines << lessonLine(buffer.span());
    });
    return lines;
}

QString AttendeeLine(const RecordBuffer &student)
{
    return attendeeLine(student.span());
}

QString attendeeLine(std::span<const char> record)
{
    return line(record, attendeeFormat());
}

bool isCurrentAttendee(const RecordBuffer &student)
{
    return isCurrentAttendee(student.span());
}

bool isCurrentAttendee(std::span<const char> record)
{
    // The flag holds at most two characters, so "No" trimmed is "No" exactly.
    const int offset = StudentRecord::layout().field(StudentRecord::chkRicontatta).offset;
    const std::span<const char> flag = record.subspan(static_cast<std::size_t>(offset), 3);
    return TextField::storedLength(flag) == 2 && flag[1] == 'N' && flag[2] == 'o';
}

LineStore readAttendeeLines(const QString &path)
{
    LineStore lines;
    FoldedSort sort;
    const LineFormat &format = attendeeFormat();
    const qsizetype longest = longestLine(format);
    visitQuietly(
        path, StudentRecord::Size,
        [&](std::span<const char> record) {
            if (!isCurrentAttendee(record))
                return;
            QChar *line = lines.beginLine(longest);
            const qsizetype length = writeLine(record, format, line);
            lines.endLine(length);
            sort.add(QStringView(line, length)); // while the line is fresh in the cache
        },
        [&](qint64 students) {
            // Room for every student at most, taken only as it is used.
            lines.reserve(students);
            sort.reserve(students);
        });
    sort.sort(lines);
    return lines;
}

namespace {

// Compares two lines from `from` on, letter case of A-Z aside: < 0, 0 or > 0.
// Runs of identical units, the common case between neighbouring lines, are
// skipped without folding.
int compareFoldedFrom(QStringView a, QStringView b, qsizetype from)
{
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t *x = a.utf16();
    const char16_t *y = b.utf16();
    for (qsizetype i = from; i < n; ++i) {
        if (x[i] == y[i])
            continue;
        const char16_t fx = foldAZ(x[i]);
        const char16_t fy = foldAZ(y[i]);
        if (fx != fy)
            return fx < fy ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

} // namespace

bool lessFoldedAZ(QStringView a, QStringView b)
{
    return compareFoldedFrom(a, b, 0) < 0;
}

namespace {

// The place of each UTF-16 unit in the folded order, one byte wide: 1, 2, ... for
// the units that Windows-1252 bytes decode to (the only ones record text holds),
// with a-z taking the place of A-Z; 0 for every other unit.
const std::array<quint8, 65536> &foldedRanks()
{
    static const std::array<quint8, 65536> ranks = [] {
        std::vector<char16_t> folded;
        for (int byte = 0; byte < 256; ++byte)
            folded.push_back(foldAZ(Windows1252::decodeByte(static_cast<unsigned char>(byte))));
        std::sort(folded.begin(), folded.end());
        folded.erase(std::unique(folded.begin(), folded.end()), folded.end());
        std::array<quint8, 65536> table{};
        for (int byte = 0; byte < 256; ++byte) {
            const char16_t unit = Windows1252::decodeByte(static_cast<unsigned char>(byte));
            const auto place = std::lower_bound(folded.begin(), folded.end(), foldAZ(unit)) - folded.begin();
            table[unit] = static_cast<quint8>(1 + place);
        }
        return table;
    }();
    return ranks;
}

} // namespace

void FoldedSort::add(QStringView line)
{
    // The key holds the first 64 characters, one byte each (its place in the
    // folded order, 0 past the end), packed so that comparing keys word by word
    // compares those characters in order.
    const std::array<quint8, 65536> &ranks = foldedRanks();
    Entry entry;
    entry.index = static_cast<qsizetype>(m_entries.size());
    const char16_t *units = line.utf16();
    const qsizetype size = std::min(line.size(), kKeyChars);
    quint8 places[kKeyChars] = {};
    bool unknown = false;
    for (qsizetype c = 0; c < size; ++c) {
        places[c] = ranks[units[c]];
        unknown |= places[c] == 0;
    }
    if (unknown)
        m_plain = true; // a character no record holds
    for (std::size_t w = 0; w < kWords; ++w)
        entry.key[w] = qFromBigEndian<quint64>(places + w * 8);
    m_entries.push_back(entry);
}

std::vector<qsizetype> FoldedSort::order(const std::function<QStringView(qsizetype)> &lineAt)
{
    std::vector<qsizetype> order;
    order.reserve(m_entries.size());
    if (m_plain) {
        for (std::size_t i = 0; i < m_entries.size(); ++i)
            order.push_back(static_cast<qsizetype>(i));
        std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) { return lessFoldedAZ(lineAt(a), lineAt(b)); });
        return order;
    }
    // By key first, which needs no line text; then each run of equal keys by the
    // rest of its lines. Equal lines keep their order: the original position
    // breaks the last tie.
    const auto keyLess = [](const Entry &a, const Entry &b) {
        for (std::size_t w = 0; w < kWords; ++w) {
            if (a.key[w] != b.key[w])
                return a.key[w] < b.key[w];
        }
        return false;
    };
    std::sort(m_entries.begin(), m_entries.end(), [](const Entry &a, const Entry &b) {
        for (std::size_t w = 0; w < kWords; ++w) {
            if (a.key[w] != b.key[w])
                return a.key[w] < b.key[w];
        }
        return a.index < b.index;
    });
    for (auto run = m_entries.begin(); run != m_entries.end();) {
        const auto end = std::find_if(run + 1, m_entries.end(), [&](const Entry &e) { return keyLess(*run, e); });
        if (end - run > 1) {
            std::sort(run, end, [&lineAt](const Entry &a, const Entry &b) {
                const QStringView x = lineAt(a.index);
                const QStringView y = lineAt(b.index);
                // Equal keys: both lines are at least kKeyChars long, or equally
                // short with the same characters, so comparing from there decides.
                const int comparison = compareFoldedFrom(x, y, std::min({x.size(), y.size(), kKeyChars}));
                return comparison != 0 ? comparison < 0 : a.index < b.index;
            });
        }
        run = end;
    }
    for (const Entry &entry : m_entries)
        order.push_back(entry.index);
    return order;
}

void FoldedSort::sort(QStringList &lines)
{
    Q_ASSERT(static_cast<std::size_t>(lines.size()) == m_entries.size());
    QStringList sorted;
    sorted.reserve(lines.size());
    for (const qsizetype index : order([&lines](qsizetype i) { return QStringView(lines.at(i)); }))
        sorted.append(std::move(lines[index]));
    lines = std::move(sorted);
}

void FoldedSort::sort(LineStore &lines)
{
    Q_ASSERT(static_cast<std::size_t>(lines.size()) == m_entries.size());
    lines.setOrder(order([&lines](qsizetype i) { return lines.added(i); }));
}

void sortFoldedAZ(QStringList &lines)
{
    FoldedSort sort;
    sort.reserve(lines.size());
    for (const QString &line : std::as_const(lines))
        sort.add(line);
    sort.sort(lines);
}

} // namespace Lines
