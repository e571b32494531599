#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <optional>
#include <span>
#include <vector>

// What the driving lessons add up to, from the eight fields each lesson already
// has: its minutes, its kind (the three kinds of the mandatory lessons of the B
// licence), the warnings a school wants to see, and the hours of instructors and
// vehicles over a period.
namespace Lessons {

enum class Kind { Ordinary, Night, Motorway, ExtraUrban };

// Two hours of each mandatory kind.
inline constexpr int kMandatoryMinutes = 120;

// The words of the module text that make a lesson of each kind, as the school
// keeps them in Autoscuola.ini, section "Guide obbligatorie".
struct Keywords {
    QStringList night;
    QStringList motorway;
    QStringList extraUrban;
    static Keywords defaults();
};

QString keywordSection();  // "Guide obbligatorie"
// Reads the keywords (comma-separated). A key the file lacks gives its defaults;
// when `writeMissing`, the keys the file lacks are written with their defaults
// through the program's INI writer, everything else in the file kept.
Keywords loadKeywords(const QString &iniPath, bool writeMissing);

// One lesson as stored, trimmed.
struct Lesson {
    int number = 0; // 1-based in its file
    QString date;
    QString duration;
    QString start;
    QString end;
    QString vehicle;
    QString plate;
    QString instructor;
    QString module;
};
Lesson lessonOf(std::span<const char> record, int number);
// The lessons of a lesson file that have a date (those the lesson list shows),
// numbered by their place in the file; a missing file has none and is not created.
std::vector<Lesson> readLessons(const QString &path, bool *complete = nullptr);
// The number of the student a lesson file belongs to, from its name, or 0.
qint64 studentOfFile(const QString &path);

// Minutes of the day of a time written HH:MM (or H:MM), or nothing.
std::optional<int> timeOfDay(QStringView text);
// End minus start when both are times; an end before the start runs past midnight.
std::optional<int> minutesBetween(QStringView start, QStringView end);
// The minutes a duration text says: "1h", "1 h 30 min", "1:30", "90'", "90 min",
// "2 ore", "1 ora e 30", "1,5 h", "1.5 ore" and the like; nothing otherwise.
std::optional<int> minutesOfDuration(QStringView text);
// The times first, then the duration text.
std::optional<int> minutesOf(const Lesson &lesson);
// "1 h", "1 h 30 min", "45 min".
QString durationText(int minutes);

// Case- and accent-insensitively; motorway before extra-urban.
Kind kindOf(QStringView module, const Keywords &keywords);
QString kindName(Kind kind); // "Notturna", "Autostrada", "Extraurbana", "Ordinaria"

// A lesson of any student, as the double bookings are found.
struct Booking {
    qint64 student = 0;  // the number of the student's lesson file
    QString who;         // surname and name
    int lesson = 0;
    QDate date;
    int from = 0;        // minutes of the day
    int to = 0;          // may pass 1440 when the lesson runs past midnight
    QString instructor;  // folded for comparison
    QString plate;       // folded for comparison
};
std::optional<Booking> bookingOf(const Lesson &lesson, qint64 student, const QString &who);

struct Warning {
    int lesson = 0;
    QString text;
};

struct Summary {
    int minutes = 0;   // of the lessons whose length is known
    int lessons = 0;
    int night = 0;
    int motorway = 0;
    int extraUrban = 0;
    int unknown = 0;   // lessons of unknown length
    bool mandatoryDone() const
    {
        return night >= kMandatoryMinutes && motorway >= kMandatoryMinutes && extraUrban >= kMandatoryMinutes;
    }
    std::vector<Warning> warnings; // by lesson
};

// The lessons of one student (file number `student`) against everyone's bookings
// (the student's own included or not: they are skipped).
Summary summarise(std::span<const Lesson> lessons, const Keywords &keywords, qint64 student = 0,
                  std::span<const Booking> everyone = {});

// The lessons of every lesson file of a folder, with the students' names. Each
// different text is kept once: tens of thousands of lessons repeat a few dates,
// times, instructors, plates and modules.
class Folder
{
public:
    struct Entry {
        qint64 student = 0; // the number of the lesson file
        int number = 0;     // the lesson's place in it
        quint32 text[8] = {}; // the eight fields, in record order, as indices into the texts
    };

    std::size_t size() const { return m_entries.size(); }
    const Entry &entry(std::size_t i) const { return m_entries[i]; }
    const QString &text(quint32 index) const { return m_texts[index]; }
    // A lesson whole, as lessonOf() gives it.
    Lesson lesson(std::size_t i) const;
    // The lessons of one student's file, in file order.
    std::vector<Lesson> lessonsOf(qint64 student) const;
    // The student's surname and name, or "allievo n. N".
    QString student(qint64 number) const;
    // Every lesson with a date and both times, as the double bookings are found.
    std::vector<Booking> bookings() const;

    bool complete = true;
    bool cancelled = false;

private:
    friend Folder readFolder(const QString &, const std::function<bool(int, int)> &);
    quint32 intern(QByteArrayView bytes);

    std::vector<Entry> m_entries;
    std::vector<QString> m_texts;
    std::unordered_map<std::string, quint32> m_index;
    std::map<qint64, QString> m_students;
};
// `progress` hears files done and the total, and may stop the reading.
Folder readFolder(const QString &folder, const std::function<bool(int done, int total)> &progress = {});
// The files of a folder's lesson files, by number.
std::vector<std::pair<qint64, QString>> lessonFiles(const QString &folder);

// Hours of an instructor or a vehicle over a period.
struct Tally {
    QString name;
    int minutes = 0;
    int lessons = 0;
    int unknown = 0;
};
struct Hours {
    std::vector<Tally> instructors; // by name
    std::vector<Tally> plates;
};
// Lessons dated from `from` to `to` (both included); names grouped regardless of
// case and blanks at the ends.
Hours hoursOf(const Folder &folder, const QDate &from, const QDate &to);
// Whether a lesson counts for a tally's name (instructor or plate) as hoursOf() groups them.
bool sameName(const QString &a, const QString &b);

} // namespace Lessons
