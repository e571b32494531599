#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>
#include <span>
#include <vector>

// The deadlines of the candidates still on their way to the licence (category B),
// worked out from the dates the registry and the TT 2112 forms already hold.
//
// "D + N months" is the same day N months later, or that month's last day; "the
// day after one full month from D" is D + 1 month + 1 day. A date that is not a
// real dd/mm/yyyy date counts as missing and is never guessed.
namespace Deadlines {

enum class Kind : quint8 {
    TheoryBy,          // Esame di teoria entro il: application + 6 months
    TheoryNotBefore,   // Esame di teoria non prima del: after a failed attempt
    PinkSheetUntil,    // Foglio rosa valido fino al
    DrivingNotBefore,  // Esame di guida non prima del
    RetakeBy,          // Foglio rosa scaduto: riporto entro il
    TheoryExam,        // Esame di teoria il (booked)
    DrivingExam,       // Esame di guida il (booked)
    Document,          // Documento scade il
    TheoryToCheck,     // an exam date past with a result the program cannot read
    DrivingToCheck,
};

enum class Urgency : quint8 {
    Overdue, // past
    Red,     // within 15 days
    Amber,   // within 30 days
    Normal,
};

// An exam result, read from its free text.
enum class Outcome : quint8 {
    Unknown,
    Negative,
    Positive,
};

// "teoria_entro", "foglio_rosa_fino", ...: the name of a kind for other programs.
QString kindKey(Kind kind);
// What the list says of a kind: "Esame di teoria entro il", ...
QString kindText(Kind kind);
// "scaduta", "rossa", "gialla", "normale".
QString urgencyKey(Urgency urgency);
// The word the list shows: "Scaduta", "Urgente", "Vicina", "In tempo".
QString urgencyWord(Urgency urgency);
// True for the dates before which something may not happen: they are deadlines
// only while they lie ahead.
bool isNotBefore(Kind kind);

// A real date written exactly dd/mm/yyyy (after trimming), or nothing.
std::optional<QDate> parseDate(QStringView text);
std::optional<QDate> parseDate(QByteArrayView windows1252);

// Reads a result case- and accent-insensitively: negative words first (non
// idoneo, respinto, bocciato, non superato, assente, negativo, or "non" before a
// positive word), then positive ones (idoneo, superato, promosso, positivo), each
// also in the feminine. Anything else is unknown.
Outcome readOutcome(QStringView text);
Outcome readOutcome(QByteArrayView windows1252);

// The law changed for theory passed from this day on: the foglio rosa runs twelve
// months instead of six.
QDate longerPinkSheetFrom();

// The facts of one student that decide the deadlines.
struct Facts {
    std::optional<QDate> application;  // the application date, or the enrolment date when estimated
    bool estimated = false;            // the application date is the enrolment date
    std::optional<QDate> theoryDate;
    Outcome theoryOutcome = Outcome::Unknown;
    bool theoryResultEmpty = true;
    std::optional<QDate> drivingDate;
    Outcome drivingOutcome = Outcome::Unknown;
    bool drivingResultEmpty = true;
    std::optional<QDate> documentExpiry;
};

struct Due {
    Kind kind;
    QDate date;
    bool estimated = false; // counted from an estimated application date
};

// Every deadline the facts give, whether or not the list would show it.
std::vector<Due> deadlinesOf(const Facts &facts, const QDate &today);

Urgency urgencyOf(const QDate &date, const QDate &today);
// Whether the list shows a deadline on `today`, looking `days` ahead.
bool isListed(const Due &due, const QDate &today, int days);

// A student with at least one deadline in a list.
struct Candidate {
    qint64 position = 0; // the student's 1-based position in the archive
    QString surname;
    QString name;
    QString course;
};

// A line of the deadline list.
struct Deadline {
    quint32 candidate = 0; // whose it is: an index into the list's candidates
    Kind kind = Kind::Document;
    Urgency urgency = Urgency::Normal;
    bool estimated = false;
    QDate date;
};

struct Options {
    QDate today;
    int days = 60;
};

struct List {
    std::vector<Candidate> candidates; // by surname and name, then in archive order
    std::vector<Deadline> deadlines;   // by date, then surname and name
    bool complete = true;              // both archives were read to the end

    const Candidate &candidateOf(const Deadline &deadline) const { return candidates[deadline.candidate]; }
};

// The deadlines of the students in the archive at `studentsPath`, with the forms
// at `formsPath`. Missing archives count as empty; neither is created.
List collect(const QString &studentsPath, const QString &formsPath, const Options &options);
// The same from the program folder's archives.
List collect(const Options &options);

// How many deadlines of a list are overdue or due within 15 days.
int urgentCount(const List &list);
// "N scadenze entro 15 giorni", "1 scadenza entro 15 giorni", or nothing for none.
QString urgentSummary(int count);

// The line the list shows for a deadline of a candidate, in a fixed-width font.
QString lineOf(const Deadline &deadline, const Candidate &candidate);

} // namespace Deadlines
