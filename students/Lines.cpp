#include "students/Lines.h"

#include "storage/Layouts.h"
#include "storage/ArchiveError.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "storage/TextField.h"
#include "storage/Windows1252.h"

#include <algorithm>
#include <array>
#include <vector>

namespace Lines {
namespace {

char16_t foldAZ(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
}

} // namespace

QString column(QStringView text, int width)
{
    const QStringView value = TextField::trimmed(text);
    if (value.size() >= width)
        return value.left(width).toString();
    return value.toString() + QString(width - value.size(), QLatin1Char(' '));
}

QString LessonLine(const RecordBuffer &lesson)
{
    using namespace LessonRecord;
    return QStringLiteral("Data: ") + column(lesson.text(txtData), 10)
        + QStringLiteral("   Durata: ") + column(lesson.text(txtDurata), 14)
        + QStringLiteral("   Mezzo: ") + column(lesson.text(txtVeicolo), 26)
        + QStringLiteral("   Targa: ") + column(lesson.text(txtTarga), 10)
        + QStringLiteral("   Istr. ") + column(lesson.text(txtIstruttore), 26)
        + QStringLiteral("   Mod. ") + lesson.text(txtModulo);
}

namespace {

// A field's stored bytes without leading and trailing bytes of code 32 or below
// (in Windows-1252 exactly the characters that trimming removes).
std::span<const unsigned char> trimmedBytes(std::span<const char> field)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(field.data()) + 1;
    int begin = 0;
    int end = TextField::storedLength(field);
    while (begin < end && bytes[begin] <= 32)
        ++begin;
    while (end > begin && bytes[end - 1] <= 32)
        --end;
    return {bytes + begin, static_cast<std::size_t>(end - begin)};
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
    void bytes(std::span<const unsigned char> value, int width)
    {
        const int length = width < 0 ? static_cast<int>(value.size()) : std::min(static_cast<int>(value.size()), width);
        Windows1252::decodeInto(QByteArrayView(value.data(), length), m_out);
        m_out += length;
        for (int i = length; i < width; ++i)
            *m_out++ = QLatin1Char(' ');
    }

private:
    QChar *m_out;
};

} // namespace

QString AttendeeLine(const RecordBuffer &student)
{
    return attendeeLine(std::span<const char>(student.constData(), static_cast<std::size_t>(student.size())));
}

QString attendeeLine(std::span<const char> record)
{
    using namespace StudentRecord;
    const RecordLayout &layout = StudentRecord::layout();
    const auto field = [&](int index) {
        const FieldDef &def = layout.field(index);
        return trimmedBytes(record.subspan(static_cast<std::size_t>(def.offset), static_cast<std::size_t>(def.size())));
    };
    const auto surname = field(txtCognome);
    const auto name = field(txtNome);
    const auto notes = field(txtNote);
    const QLatin1StringView isc("  Isc. n. "), data("  Data: "), tel("  Tel. "), corso("  Corso: "), gap("  ");
    QString line(28 + isc.size() + 14 + data.size() + 10 + tel.size() + 14 + corso.size() + 18 + gap.size()
                     + static_cast<qsizetype>(notes.size()),
                 Qt::Uninitialized);
    LineWriter out(line.data());
    // Surname, a blank and the name make one value of 28, trimmed as a whole.
    QChar nameColumn[28 + 1 + 255];
    LineWriter joined(nameColumn);
    joined.bytes(surname, -1);
    if (!surname.empty() || !name.empty()) {
        if (!surname.empty() && !name.empty())
            joined.text(QLatin1StringView(" "));
        joined.bytes(name, -1);
    }
    const int joinedLength = static_cast<int>(surname.size() + name.size() + (!surname.empty() && !name.empty() ? 1 : 0));
    for (int i = 0; i < 28; ++i)
        line[i] = i < joinedLength ? nameColumn[i] : QLatin1Char(' ');
    out = LineWriter(line.data() + 28);
    out.text(isc);
    out.bytes(field(txtNumIsc), 14);
    out.text(data);
    out.bytes(field(txtDataIsc), 10);
    out.text(tel);
    out.bytes(field(txtPreferenziale), 14);
    out.text(corso);
    out.bytes(field(txtCodiceCor), 18);
    out.text(gap);
    out.bytes(notes, -1);
    return line;
}

bool isCurrentAttendee(const RecordBuffer &student)
{
    return isCurrentAttendee(std::span<const char>(student.constData(), static_cast<std::size_t>(student.size())));
}

bool isCurrentAttendee(std::span<const char> record)
{
    // The flag holds at most two characters, so "No" trimmed is "No" exactly.
    const int offset = StudentRecord::layout().field(StudentRecord::chkRicontatta).offset;
    const std::span<const char> flag = record.subspan(static_cast<std::size_t>(offset), 3);
    return TextField::storedLength(flag) == 2 && flag[1] == 'N' && flag[2] == 'o';
}

QStringList readAttendeeLines(const QString &path)
{
    QStringList lines;
    try {
        RecordFile file;
        file.OpenOrCreate(path, StudentRecord::Size);
        file.ScanRecords([&](std::span<const char> record) {
            if (isCurrentAttendee(record))
                lines << attendeeLine(record);
        });
        file.CloseRecordFile();
    } catch (const RecordFileError &) {
        // What was read up to the failure stays.
    }
    sortFoldedAZ(lines);
    return lines;
}

bool lessFoldedAZ(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = foldAZ(a[i].unicode());
        const char16_t y = foldAZ(b[i].unicode());
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

void sortFoldedAZ(QStringList &lines)
{
    // Each line gets a key of its first sixteen folded characters, packed so that
    // comparing the keys as integers compares those characters in order; only lines
    // whose keys are equal are compared whole. Equal lines keep their order.
    struct Entry {
        std::array<quint64, 4> key;
        qsizetype index;
    };
    std::vector<Entry> entries(static_cast<std::size_t>(lines.size()));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        Entry &entry = entries[static_cast<std::size_t>(i)];
        entry.index = i;
        for (qsizetype c = 0; c < 16; ++c) {
            const quint64 unit = c < line.size() ? foldAZ(line[c].unicode()) : 0;
            quint64 &word = entry.key[static_cast<std::size_t>(c / 4)];
            word = (word << 16) | unit;
        }
    }
    std::stable_sort(entries.begin(), entries.end(), [&lines](const Entry &a, const Entry &b) {
        if (a.key != b.key)
            return a.key < b.key;
        return lessFoldedAZ(lines.at(a.index), lines.at(b.index));
    });
    QStringList sorted;
    sorted.reserve(lines.size());
    for (const Entry &entry : entries)
        sorted.append(std::move(lines[entry.index]));
    lines = std::move(sorted);
}

} // namespace Lines
