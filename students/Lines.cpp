#include "students/Lines.h"

#include "storage/ArchiveError.h"
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "storage/TextField.h"

#include <functional>

namespace Lines {
namespace {

// A field of a record, trimmed.
QByteArrayView trimmedField(std::span<const char> record, const RecordLayout &layout, int index)
{
    const FieldDef &def = layout.field(index);
    return TextField::trimmedBytes(record.subspan(static_cast<std::size_t>(def.offset), static_cast<std::size_t>(def.size())));
}


// Visits the records of the file at `path` (created empty when missing), after
// telling `starting` (if given) how many there are. A failure while reading ends
// the visit: what was done up to it stays, and the result is false. True only when
// every record counted at the opening was visited.
bool visitRecords(const QString &path, int recordSize, const std::function<void(std::span<const char>)> &visit,
                  const std::function<void(qint64 records)> &starting = {})
{
    try {
        RecordFile file;
        file.OpenOrCreate(path, recordSize);
        const qint64 records = file.RecordCount();
        if (starting)
            starting(records);
        const bool whole = file.ScanRecords(visit);
        file.CloseRecordFile();
        return whole;
    } catch (const RecordFileError &) {
        return false;
    }
}

void tell(bool *complete, bool whole)
{
    if (complete)
        *complete = whole;
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

QString LessonLine(const RecordBuffer &lesson)
{
    return lessonLine(lesson.span());
}

QString lessonLine(std::span<const char> record)
{
    return line(record, lessonFormat());
}

QStringList readLessonLines(const QString &path, bool *complete)
{
    QStringList lines;
    tell(complete, visitRecords(path, LessonRecord::Size, [&lines](std::span<const char> record) {
        // A lesson without a date is not listed.
        if (!trimmedField(record, LessonRecord::layout(), LessonRecord::txtData).isEmpty())
            lines << lessonLine(record);
    }));
    return lines;
}

RecordLines readLessonLines(const QString &path, RecordBuffer &buffer, bool *complete)
{
    RecordLines lines;
    qint64 position = 0;
    tell(complete, visitRecords(path, LessonRecord::Size, [&](std::span<const char> record) {
        ++position;
        buffer.setBytes(QByteArrayView(record.data(), static_cast<qsizetype>(record.size())));
        if (!trimmedField(buffer.span(), LessonRecord::layout(), LessonRecord::txtData).isEmpty())
            lines.append(lessonLine(buffer.span()), position);
    }));
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

namespace {

// The sorted lines of the current attendees; `positions` (if given) receives the
// position of each line's student, in the order of adding.
LineStore attendeeLines(const QString &path, bool *complete, std::vector<qint64> *positions)
{
    LineStore lines;
    FoldedSort sort;
    const LineMaker maker(attendeeFormat());
    qint64 position = 0;
    const bool whole = visitRecords(
        path, StudentRecord::Size,
        [&](std::span<const char> record) {
            ++position;
            if (!isCurrentAttendee(record))
                return;
            QChar *line = lines.beginLine(maker.room());
            const qsizetype length = maker.write(record, line);
            lines.endLine(length);
            sort.add(QStringView(line, length)); // while the line is fresh in the cache
            if (positions)
                positions->push_back(position);
        },
        [&](qint64 students) {
            // Room for every student at most, taken only as it is used.
            lines.reserve(students);
            sort.reserve(students);
        });
    sort.sort(lines);
    tell(complete, whole);
    return lines;
}

} // namespace

LineStore readAttendeeLines(const QString &path, bool *complete)
{
    return attendeeLines(path, complete, nullptr);
}

RecordLines readAttendeeRecords(const QString &path, bool *complete)
{
    RecordLines lines;
    lines.lines = attendeeLines(path, complete, &lines.records);
    return lines;
}

} // namespace Lines
