#pragma once

#include "shell/LineMaker.h"

class RecordBuffer;

// The lines of the lesson and attendee lists.
namespace Lines {

// "Data: " date(10) "   Durata: " duration(14) "   Mezzo: " vehicle(26)
// "   Targa: " plate(10) "   Istr. " instructor(26) "   Mod. " module.
QString LessonLine(const RecordBuffer &lesson);
QString lessonLine(std::span<const char> lessonRecord);

// The lines of the dated lessons in the lesson file at `path` (created empty when
// missing), in file order. A failure while reading leaves the lines read up to it;
// `complete` (if given) learns whether the whole file was read.
QStringList readLessonLines(const QString &path, bool *complete = nullptr);
// The same, each line with the position of its lesson, reading every record into
// `buffer` (the screen's record buffer), which is left holding the last record read.
RecordLines readLessonLines(const QString &path, RecordBuffer &buffer, bool *complete = nullptr);

// surname + " " + name (28) "  Isc. n. " number(14) "  Data: " date(10)
// "  Tel. " phone(14) "  Corso: " course(18) "  " notes.
QString AttendeeLine(const RecordBuffer &student);
QString attendeeLine(std::span<const char> studentRecord);

// A student whose course is not finished: the flag is exactly "No".
bool isCurrentAttendee(const RecordBuffer &student);
bool isCurrentAttendee(std::span<const char> studentRecord);

// The sorted lines of the current attendees in the student archive at `path`.
// A failure while reading leaves the lines read up to it; `complete` (if given)
// learns whether the whole archive was read.
LineStore readAttendeeLines(const QString &path, bool *complete = nullptr);
// The same, each line with the position of its student.
RecordLines readAttendeeRecords(const QString &path, bool *complete = nullptr);

} // namespace Lines
