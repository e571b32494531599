#include "calendar/Deadlines.h"

#include "storage/ArchiveError.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/RecordFile.h"
#include "storage/TextField.h"
#include "storage/Windows1252.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <array>

namespace Deadlines {
namespace {

constexpr int kRedDays = 15;
constexpr int kAmberDays = 30;

// A letter of the code page without its accent, in lower case; any other
// character as it is.
char16_t folded(char16_t c)
{
    if (c >= u'A' && c <= u'Z')
        return static_cast<char16_t>(c + 32);
    if (c < 0xC0 || c > 0xFF)
        return c;
    static constexpr char16_t kBase[64] = {
        u'a', u'a', u'a', u'a', u'a', u'a', u'a', u'c', u'e', u'e', u'e', u'e', u'i', u'i', u'i', u'i', // C0-CF
        u'd', u'n', u'o', u'o', u'o', u'o', u'o', 0xD7, u'o', u'u', u'u', u'u', u'u', u'y', 0xFE, 0xDF, // D0-DF
        u'a', u'a', u'a', u'a', u'a', u'a', u'a', u'c', u'e', u'e', u'e', u'e', u'i', u'i', u'i', u'i', // E0-EF
        u'd', u'n', u'o', u'o', u'o', u'o', u'o', 0xF7, u'o', u'u', u'u', u'u', u'u', u'y', 0xFE, u'y', // F0-FF
    };
    return kBase[c - 0xC0];
}

// The text in lower case without accents, each run of anything but letters made
// one blank, with a blank at both ends so that words can be found whole.
QString foldedWords(QStringView text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u' ';
    for (QChar qc : text) {
        const char16_t c = folded(qc.unicode());
        const bool letter = (c >= u'a' && c <= u'z') || c > 0x7F;
        if (letter)
            out += QChar(c);
        else if (!out.endsWith(u' '))
            out += u' ';
    }
    if (!out.endsWith(u' '))
        out += u' ';
    return out;
}

// The words of a result, each looked for whole; "@" stands for the masculine
// and the feminine ending ("o" and "a").
constexpr std::array kPositive = {"idone@", "superat@", "promoss@", "positiv@"};
constexpr std::array kNegative = {"respint@", "bocciat@", "assente", "negativ@"};

bool hasWord(const QString &words, const char *word)
{
    QString pattern = QLatin1StringView(word);
    if (pattern.endsWith(u'@')) {
        pattern.chop(1);
        return words.contains(u' ' + pattern + u"o ") || words.contains(u' ' + pattern + u"a ");
    }
    return words.contains(u' ' + pattern + u' ');
}

bool hasNegatedWord(const QString &words, const char *word)
{
    QString pattern = QLatin1StringView(word);
    pattern.chop(1);
    return words.contains(u" non " + pattern + u"o ") || words.contains(u" non " + pattern + u"a ");
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

QDate dayAfterOneMonth(const QDate &date)
{
    return date.addMonths(1).addDays(1);
}

// A field of a record, as stored bytes without the blanks at its ends.
QByteArrayView fieldOf(std::span<const char> record, const RecordLayout &layout, int index)
{
    const FieldDef &def = layout.field(index);
    return TextField::trimmedBytes(record.subspan(static_cast<std::size_t>(def.offset), static_cast<std::size_t>(def.size())));
}

QString textOf(std::span<const char> record, const RecordLayout &layout, int index)
{
    return Windows1252::decode(fieldOf(record, layout, index));
}

bool isYes(QByteArrayView bytes)
{
    return bytes == QByteArrayView("S\xEC");
}

// A tax code as forms and students are matched by it: upper case, or empty.
QByteArray matchingCode(QByteArrayView bytes)
{
    QByteArray code(bytes.data(), bytes.size());
    for (char &c : code)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return code;
}

// Reads every whole record of the archive at `path` when it exists; false when
// it could not be read to the end.
bool scan(const QString &path, int recordSize, const std::function<void(std::span<const char>)> &visit)
{
    const QFileInfo info(path);
    if (!info.exists())
        return true;
    try {
        RecordFile file;
        file.OpenForReading(path, recordSize);
        const bool whole = file.ScanRecords(visit);
        file.CloseRecordFile();
        return whole;
    } catch (const RecordFileError &) {
        return false;
    }
}

int kindOrder(Kind kind)
{
    return static_cast<int>(kind);
}

} // namespace

QString kindKey(Kind kind)
{
    switch (kind) {
    case Kind::TheoryBy: return QStringLiteral("teoria_entro");
    case Kind::TheoryNotBefore: return QStringLiteral("teoria_non_prima");
    case Kind::PinkSheetUntil: return QStringLiteral("foglio_rosa_fino");
    case Kind::DrivingNotBefore: return QStringLiteral("guida_non_prima");
    case Kind::RetakeBy: return QStringLiteral("riporto_entro");
    case Kind::TheoryExam: return QStringLiteral("esame_teoria");
    case Kind::DrivingExam: return QStringLiteral("esame_guida");
    case Kind::Document: return QStringLiteral("documento");
    case Kind::TheoryToCheck:
    case Kind::DrivingToCheck: return QStringLiteral("esito_da_verificare");
    }
    return QString();
}

QString kindText(Kind kind)
{
    switch (kind) {
    case Kind::TheoryBy: return QStringLiteral("Esame di teoria entro il");
    case Kind::TheoryNotBefore: return QStringLiteral("Esame di teoria non prima del");
    case Kind::PinkSheetUntil: return QStringLiteral("Foglio rosa valido fino al");
    case Kind::DrivingNotBefore: return QStringLiteral("Esame di guida non prima del");
    case Kind::RetakeBy: return QStringLiteral("Foglio rosa scaduto: riporto entro il");
    case Kind::TheoryExam: return QStringLiteral("Esame di teoria il");
    case Kind::DrivingExam: return QStringLiteral("Esame di guida il");
    case Kind::Document: return QStringLiteral("Documento scade il");
    case Kind::TheoryToCheck: return QStringLiteral("Esame di teoria: esito da verificare");
    case Kind::DrivingToCheck: return QStringLiteral("Esame di guida: esito da verificare");
    }
    return QString();
}

QString urgencyKey(Urgency urgency)
{
    switch (urgency) {
    case Urgency::Overdue: return QStringLiteral("scaduta");
    case Urgency::Red: return QStringLiteral("rossa");
    case Urgency::Amber: return QStringLiteral("gialla");
    case Urgency::Normal: return QStringLiteral("normale");
    }
    return QString();
}

QString urgencyWord(Urgency urgency)
{
    switch (urgency) {
    case Urgency::Overdue: return QStringLiteral("Scaduta");
    case Urgency::Red: return QStringLiteral("Urgente");
    case Urgency::Amber: return QStringLiteral("Vicina");
    case Urgency::Normal: return QStringLiteral("In tempo");
    }
    return QString();
}

bool isNotBefore(Kind kind)
{
    return kind == Kind::TheoryNotBefore || kind == Kind::DrivingNotBefore;
}

std::optional<QDate> parseDate(QStringView text)
{
    text = TextField::trimmed(text);
    if (text.size() != 10 || text[2] != u'/' || text[5] != u'/')
        return std::nullopt;
    for (int i : {0, 1, 3, 4, 6, 7, 8, 9})
        if (!isDigit(text[i].unicode()))
            return std::nullopt;
    const auto number = [&](int from, int length) {
        int value = 0;
        for (int i = from; i < from + length; ++i)
            value = value * 10 + (text[i].unicode() - u'0');
        return value;
    };
    const QDate date(number(6, 4), number(3, 2), number(0, 2));
    if (!date.isValid() || date.year() < 1)
        return std::nullopt;
    return date;
}

std::optional<QDate> parseDate(QByteArrayView windows1252)
{
    if (windows1252.size() > 64)
        return std::nullopt;
    return parseDate(QStringView(Windows1252::decode(windows1252)));
}

Outcome readOutcome(QStringView text)
{
    const QString words = foldedWords(text);
    for (const char *word : kPositive)
        if (hasNegatedWord(words, word))
            return Outcome::Negative;
    for (const char *word : kNegative)
        if (hasWord(words, word))
            return Outcome::Negative;
    for (const char *word : kPositive)
        if (hasWord(words, word))
            return Outcome::Positive;
    return Outcome::Unknown;
}

Outcome readOutcome(QByteArrayView windows1252)
{
    return readOutcome(QStringView(Windows1252::decode(windows1252)));
}

QDate longerPinkSheetFrom()
{
    return QDate(2021, 11, 10);
}

std::vector<Due> deadlinesOf(const Facts &facts, const QDate &today)
{
    std::vector<Due> due;
    const bool theoryPassed = facts.theoryOutcome == Outcome::Positive;

    if (!theoryPassed) {
        if (facts.application)
            due.push_back({Kind::TheoryBy, facts.application->addMonths(6), facts.estimated});
        if (facts.theoryDate) {
            if (facts.theoryOutcome == Outcome::Negative)
                due.push_back({Kind::TheoryNotBefore, dayAfterOneMonth(*facts.theoryDate)});
            else if (facts.theoryResultEmpty && *facts.theoryDate >= today)
                due.push_back({Kind::TheoryExam, *facts.theoryDate});
            else if (*facts.theoryDate < today)
                due.push_back({Kind::TheoryToCheck, *facts.theoryDate});
        }
    }

    std::optional<QDate> pinkSheetEnd;
    if (theoryPassed && facts.theoryDate) {
        const QDate passed = *facts.theoryDate;
        pinkSheetEnd = passed.addMonths(passed < longerPinkSheetFrom() ? 6 : 12);
        due.push_back({Kind::PinkSheetUntil, *pinkSheetEnd});
        if (!facts.drivingDate)
            due.push_back({Kind::DrivingNotBefore, dayAfterOneMonth(passed)});
    }

    if (facts.drivingDate) {
        const QDate driving = *facts.drivingDate;
        if (facts.drivingOutcome == Outcome::Negative) {
            const QDate again = dayAfterOneMonth(driving);
            due.push_back({Kind::DrivingNotBefore, again});
            if (pinkSheetEnd && again > *pinkSheetEnd)
                due.push_back({Kind::RetakeBy, pinkSheetEnd->addMonths(2)});
        } else if (facts.drivingOutcome == Outcome::Unknown) {
            if (facts.drivingResultEmpty && driving >= today)
                due.push_back({Kind::DrivingExam, driving});
            else if (driving < today)
                due.push_back({Kind::DrivingToCheck, driving});
        }
    }

    if (facts.documentExpiry)
        due.push_back({Kind::Document, *facts.documentExpiry});
    return due;
}

Urgency urgencyOf(const QDate &date, const QDate &today)
{
    if (date < today)
        return Urgency::Overdue;
    const qint64 days = today.daysTo(date);
    if (days <= kRedDays)
        return Urgency::Red;
    if (days <= kAmberDays)
        return Urgency::Amber;
    return Urgency::Normal;
}

bool isListed(const Due &due, const QDate &today, int days)
{
    if (due.kind == Kind::TheoryToCheck || due.kind == Kind::DrivingToCheck)
        return true;
    if (isNotBefore(due.kind))
        return due.date > today && today.daysTo(due.date) <= days;
    return due.date < today || today.daysTo(due.date) <= days;
}

List collect(const QString &studentsPath, const QString &formsPath, const Options &options)
{
    List list;
    const QDate today = options.today;

    // The latest application of each tax code.
    QHash<QByteArray, QDate> applications;
    {
        const RecordLayout &layout = TT2112Record::layout();
        const bool whole = scan(formsPath, TT2112Record::Size, [&](std::span<const char> record) {
            if (!isYes(fieldOf(record, layout, TT2112Record::chkConseguimento)))
                return;
            const QByteArrayView code = fieldOf(record, layout, TT2112Record::txtCodFiscPro);
            if (code.isEmpty())
                return;
            const std::optional<QDate> date = parseDate(fieldOf(record, layout, TT2112Record::txtData));
            if (!date)
                return;
            QDate &latest = applications[matchingCode(code)];
            if (!latest.isValid() || *date > latest)
                latest = *date;
        });
        list.complete = whole;
    }

    const RecordLayout &layout = StudentRecord::layout();
    qint64 position = 0;
    const bool whole = scan(studentsPath, StudentRecord::Size, [&](std::span<const char> record) {
        ++position;
        if (isYes(fieldOf(record, layout, StudentRecord::chkRicontatta)))
            return;
        const QByteArrayView drivingResult = fieldOf(record, layout, StudentRecord::txtEsitoGuida);
        const Outcome drivingOutcome = drivingResult.isEmpty() ? Outcome::Unknown : readOutcome(drivingResult);
        if (drivingOutcome == Outcome::Positive)
            return;

        Facts facts;
        const QByteArrayView code = fieldOf(record, layout, StudentRecord::txtCodFiscPro);
        if (!code.isEmpty()) {
            const auto found = applications.constFind(matchingCode(code));
            if (found != applications.cend())
                facts.application = *found;
        }
        if (!facts.application) {
            facts.application = parseDate(fieldOf(record, layout, StudentRecord::txtDataIsc));
            facts.estimated = facts.application.has_value();
        }
        const QByteArrayView theoryResult = fieldOf(record, layout, StudentRecord::txtEsitoTeo);
        facts.theoryResultEmpty = theoryResult.isEmpty();
        facts.theoryOutcome = facts.theoryResultEmpty ? Outcome::Unknown : readOutcome(theoryResult);
        facts.theoryDate = parseDate(fieldOf(record, layout, StudentRecord::txtDataTeo));
        facts.drivingResultEmpty = drivingResult.isEmpty();
        facts.drivingOutcome = drivingOutcome;
        facts.drivingDate = parseDate(fieldOf(record, layout, StudentRecord::txtDataGuida));
        facts.documentExpiry = parseDate(fieldOf(record, layout, StudentRecord::txtDataScaPro));

        QString surname;
        QString name;
        QString course;
        bool named = false;
        for (const Due &due : deadlinesOf(facts, today)) {
            if (!isListed(due, today, options.days))
                continue;
            if (!named) {
                surname = textOf(record, layout, StudentRecord::txtCognome);
                name = textOf(record, layout, StudentRecord::txtNome);
                course = textOf(record, layout, StudentRecord::txtCodiceCor);
                named = true;
            }
            list.deadlines.push_back({position, due.kind, due.date, due.estimated, urgencyOf(due.date, today), surname, name, course});
        }
    });
    list.complete = list.complete && whole;

    // By date, then surname and name as the lists sort them (folded), then the
    // archive's order.
    struct Key {
        QString surname;
        QString name;
    };
    std::vector<Key> keys;
    keys.reserve(list.deadlines.size());
    for (const Deadline &d : list.deadlines)
        keys.push_back({foldedWords(d.surname), foldedWords(d.name)});
    std::vector<std::size_t> order(list.deadlines.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const Deadline &x = list.deadlines[a];
        const Deadline &y = list.deadlines[b];
        if (x.date != y.date)
            return x.date < y.date;
        if (const int c = keys[a].surname.compare(keys[b].surname); c != 0)
            return c < 0;
        if (const int c = keys[a].name.compare(keys[b].name); c != 0)
            return c < 0;
        if (x.position != y.position)
            return x.position < y.position;
        return kindOrder(x.kind) < kindOrder(y.kind);
    });
    std::vector<Deadline> sorted;
    sorted.reserve(order.size());
    for (std::size_t i : order)
        sorted.push_back(std::move(list.deadlines[i]));
    list.deadlines = std::move(sorted);
    return list;
}

List collect(const Options &options)
{
    return collect(ProgramFolder::filePath(QString::fromLatin1(StudentRecord::FileName)),
                   ProgramFolder::filePath(QString::fromLatin1(TT2112Record::FileName)), options);
}

int urgentCount(const List &list)
{
    return static_cast<int>(std::count_if(list.deadlines.begin(), list.deadlines.end(), [](const Deadline &d) {
        return d.urgency == Urgency::Overdue || d.urgency == Urgency::Red;
    }));
}

QString urgentSummary(int count)
{
    if (count <= 0)
        return QString();
    if (count == 1)
        return QStringLiteral("1 scadenza entro 15 giorni");
    return QStringLiteral("%1 scadenze entro 15 giorni").arg(count);
}

QString lineOf(const Deadline &deadline)
{
    const QString who = QString(deadline.surname + u' ' + deadline.name).trimmed();
    QString line = deadline.date.toString(QStringLiteral("dd/MM/yyyy"));
    line += u"  " + urgencyWord(deadline.urgency).leftJustified(9);
    line += u"  " + kindText(deadline.kind).leftJustified(41);
    line += u"  " + who.leftJustified(32);
    line += u"  Corso: " + deadline.course.leftJustified(12);
    if (deadline.estimated)
        line += u"  (stimata)";
    return line.trimmed();
}

} // namespace Deadlines
