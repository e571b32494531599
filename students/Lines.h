#pragma once

#include "shell/LineStore.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <span>
#include <vector>

class RecordBuffer;
struct RecordLayout;

// The fixed-width lines that the lists show, one per record, in Courier New so
// that the columns line up.
namespace Lines {

// A column of a line: the text before it, then a field's trimmed value padded
// with blanks or cut to `width`; -1, for the last column, takes the whole value.
struct Column {
    QLatin1StringView label;
    int field;
    int width;
};

// How the surname and the name make one value.
enum class NameJoin {
    TrimmedWhole, // joined by a blank and trimmed as one text: "Mario" without a surname
    Blank,        // each trimmed, then joined by a blank: " Mario" without a surname
};

// How a record makes a list line: first, where `nameWidth` is not 0, the surname
// and the name joined by a blank as one value of that width; then the columns.
struct LineFormat {
    const RecordLayout *layout;
    int surname;
    int name;
    int nameWidth;
    std::span<const Column> columns;
    NameJoin join = NameJoin::TrimmedWhole;
};

QString line(std::span<const char> record, const LineFormat &format);
// The same written at `out`, which has room for longestLine(format) characters;
// returns how many it wrote.
qsizetype longestLine(const LineFormat &format);
qsizetype writeLine(std::span<const char> record, const LineFormat &format, QChar *out);

// "Data: " date(10) "   Durata: " duration(14) "   Mezzo: " vehicle(26)
// "   Targa: " plate(10) "   Istr. " instructor(26) "   Mod. " module.
QString LessonLine(const RecordBuffer &lesson);
QString lessonLine(std::span<const char> lessonRecord);

// The lines of the dated lessons in the lesson file at `path` (created empty when
// missing), in file order. A failure while reading leaves the lines read up to it.
QStringList readLessonLines(const QString &path);
// The same, reading every record into `buffer` (the screen's record buffer), which
// is left holding the last record read.
QStringList readLessonLines(const QString &path, RecordBuffer &buffer);

// surname + " " + name (28) "  Isc. n. " number(14) "  Data: " date(10)
// "  Tel. " phone(14) "  Corso: " course(18) "  " notes.
QString AttendeeLine(const RecordBuffer &student);
QString attendeeLine(std::span<const char> studentRecord);

// A student whose course is not finished: the flag is exactly "No".
bool isCurrentAttendee(const RecordBuffer &student);
bool isCurrentAttendee(std::span<const char> studentRecord);

// The sorted lines of the current attendees in the student archive at `path`.
// A failure while reading leaves the lines read up to it.
LineStore readAttendeeLines(const QString &path);

// Orders texts character by character, the letters a-z counting as A-Z and every
// other character by its code (not the locale's collation).
bool lessFoldedAZ(QStringView a, QStringView b);
void sortFoldedAZ(QStringList &lines);

// The same order for lines given one by one as they are made, so that each key
// is taken while its line is still in the cache; equal lines keep their order.
class FoldedSort
{
public:
    void reserve(qsizetype count) { m_entries.reserve(static_cast<std::size_t>(count)); }
    // Takes the key of the next line of the list that sort() will order.
    void add(QStringView line);
    // Orders `lines`, which holds the lines given to add(), in that order.
    void sort(QStringList &lines);
    void sort(LineStore &lines);

private:
    // order[k] is the index of the line that comes k-th.
    std::vector<qsizetype> order(const std::function<QStringView(qsizetype)> &lineAt);

    static constexpr std::size_t kWords = 8;
    static constexpr qsizetype kKeyChars = kWords * 8;
    struct Entry {
        quint64 key[kWords];
        qsizetype index;
    };
    std::vector<Entry> m_entries;
    bool m_plain = false;
};

} // namespace Lines
