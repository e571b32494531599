#include "calendar/Deadlines.h"

#include "storage/ArchiveError.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/RecordFile.h"
#include "storage/TextField.h"
#include "storage/Windows1252.h"

#include <QFileInfo>

#include <algorithm>
#include <array>
#include <string_view>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <limits>

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

// The words of a result, each looked for whole. Both endings of each are
// listed: the masculine and the feminine.
constexpr std::string_view kPositive[] = {"idoneo", "idonea", "superato", "superata", "promosso", "promossa", "positivo", "positiva"};
constexpr std::string_view kNegative[] = {"respinto", "respinta", "bocciato", "bocciata", "assente", "negativo", "negativa"};

// A text in lower case without accents, each run of anything but letters made
// one blank, with a blank at both ends so that words can be found whole: in
// bytes of the code page (every folded letter is one byte), in `out`, at most
// `room` bytes (at least one).
std::size_t foldedBytes(QByteArrayView text, char *out, std::size_t room)
{
    std::size_t length = 0;
    const auto put = [&](char c) {
        if (length < room)
            out[length++] = c;
    };
    put(' ');
    for (char byte : text) {
        const char16_t c = folded(Windows1252::decodeByte(static_cast<unsigned char>(byte)));
        const bool letter = (c >= u'a' && c <= u'z') || c > 0x7F;
        if (letter)
            put(c <= 0xFF ? static_cast<char>(c) : '?');
        else if (out[length - 1] != ' ')
            put(' ');
    }
    if (out[length - 1] != ' ')
        put(' ');
    return length;
}

bool hasWord(std::string_view words, std::string_view word, bool negated)
{
    std::size_t from = 0;
    while ((from = words.find(word, from)) != std::string_view::npos) {
        const bool whole = from > 0 && words[from - 1] == ' ' && from + word.size() < words.size() && words[from + word.size()] == ' ';
        if (whole && (!negated || (from >= 5 && words.substr(from - 5, 5) == " non ")))
            return true;
        ++from;
    }
    return false;
}

Outcome outcomeOfFolded(std::string_view words)
{
    for (std::string_view word : kPositive)
        if (hasWord(words, word, true))
            return Outcome::Negative;
    for (std::string_view word : kNegative)
        if (hasWord(words, word, false))
            return Outcome::Negative;
    for (std::string_view word : kPositive)
        if (hasWord(words, word, false))
            return Outcome::Positive;
    return Outcome::Unknown;
}

// The Julian day of a real date written dd/mm/yyyy in exactly these ten bytes
// (years 1 to 9999), or 0. The lists read several dates of every record: this
// costs no conversion.
qint64 julianDayOf(QByteArrayView text)
{
    if (text.size() != 10 || text[2] != '/' || text[5] != '/')
        return 0;
    int digits[8];
    int n = 0;
    for (int i : {0, 1, 3, 4, 6, 7, 8, 9}) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return 0;
        digits[n++] = c - '0';
    }
    const int day = digits[0] * 10 + digits[1];
    const int month = digits[2] * 10 + digits[3];
    const int year = digits[4] * 1000 + digits[5] * 100 + digits[6] * 10 + digits[7];
    if (year < 1 || month < 1 || month > 12 || day < 1)
        return 0;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (day > kDays[month - 1] + (month == 2 && leap ? 1 : 0))
        return 0;
    // The Gregorian calendar's day count (Fliegel and Van Flandern).
    const qint64 a = (14 - month) / 12;
    const qint64 y = year + 4800 - a;
    const qint64 m = month + 12 * a - 3;
    return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

QDate dayAfterOneMonth(const QDate &date)
{
    return date.addMonths(1).addDays(1);
}

bool isYes(QByteArrayView bytes)
{
    return bytes.size() == 2 && bytes[0] == 'S' && bytes[1] == '\xEC';
}

// A tax code as forms and students are matched by it: upper case, in a key of
// the field's sixteen characters.
using CodeKey = std::array<char, 16>;

CodeKey matchingCode(QByteArrayView bytes)
{
    CodeKey key{};
    for (qsizetype i = 0; i < bytes.size() && i < qsizetype(key.size()); ++i) {
        const char c = bytes[i];
        key[static_cast<std::size_t>(i)] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    }
    return key;
}

// The latest application date (a Julian day) of each tax code, in one open
// table: tens of thousands of forms cost a few allocations, not one each.
class Applications
{
public:
    explicit Applications(qint64 expected)
    {
        // Room for every form at most four fifths full: the table grows past that.
        std::size_t size = 16;
        while (4 * size < 5 * static_cast<std::size_t>(std::max<qint64>(expected, 0)))
            size *= 2;
        m_slots.resize(size);
    }

    // Keeps `day` for the code when it is later than what the table holds.
    void note(const CodeKey &key, qint64 day)
    {
        if (5 * (m_used + 1) > 4 * m_slots.size())
            grow();
        Slot &slot = slotOf(key);
        if (slot.day == 0) {
            slot.key = key;
            ++m_used;
        }
        slot.day = std::max(slot.day, static_cast<qint32>(day));
    }

    // The latest day for the code, or 0.
    qint64 find(const CodeKey &key) const { return const_cast<Applications *>(this)->slotOf(key).day; }

private:
    struct Slot {
        CodeKey key{};
        qint32 day = 0; // a Julian day (years 1 to 9999 fit); 0: empty
    };

    static bool sameCode(const CodeKey &a, const CodeKey &b)
    {
        quint64 x[2];
        quint64 y[2];
        std::memcpy(x, a.data(), sizeof x);
        std::memcpy(y, b.data(), sizeof y);
        return ((x[0] ^ y[0]) | (x[1] ^ y[1])) == 0;
    }

    static std::size_t hashOf(const CodeKey &key)
    {
        quint64 a = 0;
        quint64 b = 0;
        std::memcpy(&a, key.data(), 8);
        std::memcpy(&b, key.data() + 8, 8);
        quint64 h = a * 0x9E3779B97F4A7C15ULL ^ (b + 0x632BE59BD9B4E019ULL + (a << 6) + (a >> 2));
        h ^= h >> 33;
        h *= 0xFF51AFD7ED558CCDULL;
        h ^= h >> 33;
        return static_cast<std::size_t>(h);
    }

    Slot &slotOf(const CodeKey &key)
    {
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = hashOf(key) & mask;; i = (i + 1) & mask) {
            Slot &slot = m_slots[i];
            if (slot.day == 0 || sameCode(slot.key, key))
                return slot;
        }
    }

    void grow()
    {
        std::vector<Slot> old = std::move(m_slots);
        m_slots.assign(old.size() * 2, Slot());
        for (const Slot &slot : old)
            if (slot.day != 0)
                slotOf(slot.key) = slot;
    }

    std::vector<Slot> m_slots;
    std::size_t m_used = 0;
};

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
    // One reader for both: a date is ten characters of the code page's first half.
    text = TextField::trimmed(text);
    if (text.size() != 10)
        return std::nullopt;
    char bytes[10];
    for (qsizetype i = 0; i < 10; ++i) {
        if (text[i].unicode() > 0x7F)
            return std::nullopt;
        bytes[i] = static_cast<char>(text[i].unicode());
    }
    return parseDate(QByteArrayView(bytes, 10));
}

std::optional<QDate> parseDate(QByteArrayView windows1252)
{
    // Blanks and controls at the ends are one byte each, as are the digits and
    // the slashes: a date is ten bytes once they are gone.
    while (!windows1252.isEmpty() && static_cast<unsigned char>(windows1252.front()) <= 32)
        windows1252 = windows1252.sliced(1);
    while (!windows1252.isEmpty() && static_cast<unsigned char>(windows1252.back()) <= 32)
        windows1252.chop(1);
    const qint64 day = julianDayOf(windows1252);
    if (day == 0)
        return std::nullopt;
    return QDate::fromJulianDay(day);
}

Outcome readOutcome(QStringView text)
{
    return readOutcome(QByteArrayView(Windows1252::encode(text)));
}

Outcome readOutcome(QByteArrayView windows1252)
{
    char buffer[2 * TextField::kMaxStoredCharacters + 4];
    const std::size_t length = foldedBytes(windows1252.first(std::min<qsizetype>(windows1252.size(), TextField::kMaxStoredCharacters)),
                                           buffer, sizeof buffer);
    return outcomeOfFolded(std::string_view(buffer, length));
}

QDate longerPinkSheetFrom()
{
    return QDate(2021, 11, 10);
}

namespace {

// At most this many deadlines come from one student.
constexpr int kMostPerStudent = 8;

struct Dues {
    std::array<Due, kMostPerStudent> due;
    int count = 0;
    void push_back(Due one) { due[static_cast<std::size_t>(count++)] = one; }
};

void addDeadlines(const Facts &facts, const QDate &today, Dues &due)
{
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
}

} // namespace

std::vector<Due> deadlinesOf(const Facts &facts, const QDate &today)
{
    Dues due;
    addDeadlines(facts, today, due);
    return std::vector<Due>(due.due.begin(), due.due.begin() + due.count);
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

namespace {

// Where a field lies in a record: looked up once per list, not once per record.
struct Place {
    std::size_t offset;
    std::size_t size;
    explicit Place(const FieldDef &def) : offset(static_cast<std::size_t>(def.offset)), size(static_cast<std::size_t>(def.size())) {}
    QByteArrayView in(std::span<const char> record) const { return TextField::trimmedBytes(record.subspan(offset, size)); }
};

// What a student's record says of their deadlines, in few bytes: dates as Julian
// days (0 when missing).
struct Known {
    qint32 enrolment;
    qint32 theory;
    qint32 driving;
    qint32 document;
    Outcome theoryOutcome;
    Outcome drivingOutcome;
    bool theoryResultEmpty;
    bool drivingResultEmpty;
};

// A student whose application date waits for the forms.
struct Waiting {
    CodeKey code;
    quint32 person;
    Known known;
};

std::optional<QDate> dateOf(qint64 julianDay)
{
    if (julianDay == 0)
        return std::nullopt;
    return QDate::fromJulianDay(julianDay);
}

// The facts of a student, with the application of their latest form (a Julian
// day), or with their enrolment date, as an estimate, without one.
Facts factsOf(const Known &known, qint64 application)
{
    Facts facts;
    facts.theoryResultEmpty = known.theoryResultEmpty;
    facts.theoryOutcome = known.theoryOutcome;
    facts.theoryDate = dateOf(known.theory);
    facts.drivingResultEmpty = known.drivingResultEmpty;
    facts.drivingOutcome = known.drivingOutcome;
    facts.drivingDate = dateOf(known.driving);
    facts.documentExpiry = dateOf(known.document);
    facts.application = dateOf(application != 0 ? application : known.enrolment);
    facts.estimated = application == 0 && facts.application.has_value();
    return facts;
}

// The texts that repeat from student to student (first names, course codes),
// each decoded once: a small cache by the stored bytes.
class TextCache
{
public:
    const QString &text(QByteArrayView bytes)
    {
        quint64 hash = 0xCBF29CE484222325ULL;
        for (char c : bytes)
            hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
        Entry &entry = m_entries[static_cast<std::size_t>(hash % m_entries.size())];
        if (!entry.used || entry.hash != hash || QByteArrayView(entry.bytes) != bytes) {
            entry.used = true;
            entry.hash = hash;
            entry.bytes = QByteArray(bytes.data(), bytes.size());
            entry.text = Windows1252::decode(bytes);
        }
        return entry.text;
    }

private:
    struct Entry {
        quint64 hash = 0;
        bool used = false;
        QByteArray bytes;
        QString text;
    };
    std::array<Entry, 509> m_entries;
};

// Sorts by a number of 64 bits, stably, a byte at a time from the lowest: tens
// of thousands of lines cost a few passes instead of a comparison each time two
// lines meet. A byte that every number has alike costs no pass.
template <typename T, typename KeyOf>
void sortByNumber(std::vector<T> &items, KeyOf keyOf)
{
    std::array<std::array<std::size_t, 256>, 8> counts{};
    for (const T &item : items) {
        const quint64 key = keyOf(item);
        for (std::size_t b = 0; b < 8; ++b)
            ++counts[b][(key >> (8 * b)) & 0xFF];
    }
    std::vector<T> other;
    for (std::size_t b = 0; b < 8; ++b) {
        std::array<std::size_t, 256> &count = counts[b];
        if (std::find(count.begin(), count.end(), items.size()) != count.end())
            continue;
        std::size_t at = 0;
        for (std::size_t &c : count)
            at += std::exchange(c, at);
        other.resize(items.size());
        for (const T &item : items)
            other[count[(keyOf(item) >> (8 * b)) & 0xFF]++] = item;
        items.swap(other);
    }
}

} // namespace

List collect(const QString &studentsPath, const QString &formsPath, const Options &options)
{
    List list;
    const QDate today = options.today;

    // The latest application of each tax code, read in a thread of its own while
    // the students are read.
    Applications applications(QFileInfo(formsPath).size() / TT2112Record::Size);
    bool formsWhole = true;
    std::thread forms([&] {
        const RecordLayout &layout = TT2112Record::layout();
        const Place yes(layout.field(TT2112Record::chkConseguimento));
        const Place code(layout.field(TT2112Record::txtCodFiscPro));
        const Place date(layout.field(TT2112Record::txtData));
        formsWhole = scan(formsPath, TT2112Record::Size, [&](std::span<const char> record) {
            // "Sì" is three bytes: the length, then S and ì.
            if (record[yes.offset] != 2 || !isYes(yes.in(record)))
                return;
            const QByteArrayView codeBytes = code.in(record);
            if (codeBytes.isEmpty())
                return;
            if (const qint64 day = julianDayOf(date.in(record)); day != 0)
                applications.note(matchingCode(codeBytes), day);
        });
    });

    // The students who may be listed, by their names' bytes: decoded only for
    // those that end up with a deadline in the list.
    struct Person {
        qint64 position;
        quint32 at; // surname, name and course in `names`
        quint8 surname;
        quint8 name;
        quint8 course;
        quint32 candidate = std::numeric_limits<quint32>::max();
    };
    std::vector<Person> people;
    std::string names;
    std::vector<Waiting> waiting;
    // The listed deadlines, each by its person until the candidates are known.
    std::vector<Deadline> &listed = list.deadlines;
    const qint64 records = QFileInfo(studentsPath).size() / StudentRecord::Size;
    const std::size_t expected = static_cast<std::size_t>(std::clamp<qint64>(records, 0, 1 << 22));
    // Reserved, not touched: a vector that grows copies itself and writes memory
    // new to the process, which costs more than the copying.
    people.reserve(expected);
    waiting.reserve(expected);
    listed.reserve(expected);
    names.reserve(expected * 32);

    // Results repeat ("Idoneo", "Non idoneo"): each different text is read once.
    std::vector<std::pair<QByteArray, Outcome>> outcomes;
    const auto outcomeOf = [&outcomes](QByteArrayView text) {
        if (text.isEmpty())
            return Outcome::Unknown;
        for (const auto &[known, outcome] : outcomes)
            if (known == text)
                return outcome;
        const Outcome outcome = readOutcome(text);
        if (outcomes.size() < 32)
            outcomes.emplace_back(QByteArray(text.data(), text.size()), outcome);
        return outcome;
    };

    const RecordLayout &layout = StudentRecord::layout();
    const Place finished(layout.field(StudentRecord::chkRicontatta));
    const Place drivingResultAt(layout.field(StudentRecord::txtEsitoGuida));
    const Place theoryResultAt(layout.field(StudentRecord::txtEsitoTeo));
    const Place theoryDateAt(layout.field(StudentRecord::txtDataTeo));
    const Place drivingDateAt(layout.field(StudentRecord::txtDataGuida));
    const Place documentAt(layout.field(StudentRecord::txtDataScaPro));
    const Place enrolmentAt(layout.field(StudentRecord::txtDataIsc));
    const Place codeAt(layout.field(StudentRecord::txtCodFiscPro));
    const Place surnameAt(layout.field(StudentRecord::txtCognome));
    const Place nameAt(layout.field(StudentRecord::txtNome));
    const Place courseAt(layout.field(StudentRecord::txtCodiceCor));

    Dues due;
    // Adds the facts' deadlines that the list shows; false when there are none.
    const auto listDeadlines = [&](const Facts &facts, quint32 person) {
        due.count = 0;
        addDeadlines(facts, today, due);
        bool any = false;
        for (int i = 0; i < due.count; ++i) {
            const Due &one = due.due[static_cast<std::size_t>(i)];
            if (isListed(one, today, options.days)) {
                listed.push_back({person, one.kind, Urgency::Normal, one.estimated, one.date});
                any = true;
            }
        }
        return any;
    };
    const auto remember = [&](std::span<const char> record, qint64 position) {
        // A field holds at most 255 bytes: each length fits in one byte.
        const QByteArrayView surname = surnameAt.in(record);
        const QByteArrayView name = nameAt.in(record);
        const QByteArrayView course = courseAt.in(record);
        const quint32 at = static_cast<quint32>(names.size());
        names.append(surname.data(), static_cast<std::size_t>(surname.size()));
        names.append(name.data(), static_cast<std::size_t>(name.size()));
        names.append(course.data(), static_cast<std::size_t>(course.size()));
        people.push_back({position, at, static_cast<quint8>(surname.size()), static_cast<quint8>(name.size()),
                          static_cast<quint8>(course.size())});
        return static_cast<quint32>(people.size() - 1);
    };

    qint64 position = 0;
    const bool whole = scan(studentsPath, StudentRecord::Size, [&](std::span<const char> record) {
        ++position;
        if (isYes(finished.in(record)))
            return;
        const QByteArrayView drivingResult = drivingResultAt.in(record);
        const Outcome drivingOutcome = outcomeOf(drivingResult);
        if (drivingOutcome == Outcome::Positive)
            return;

        const QByteArrayView theoryResult = theoryResultAt.in(record);
        const Known known{static_cast<qint32>(julianDayOf(enrolmentAt.in(record))),
                          static_cast<qint32>(julianDayOf(theoryDateAt.in(record))),
                          static_cast<qint32>(julianDayOf(drivingDateAt.in(record))),
                          static_cast<qint32>(julianDayOf(documentAt.in(record))),
                          outcomeOf(theoryResult),
                          drivingOutcome,
                          theoryResult.isEmpty(),
                          drivingResult.isEmpty()};
        const QByteArrayView code = codeAt.in(record);
        if (!code.isEmpty() && known.theoryOutcome != Outcome::Positive) {
            // The application date may come from a form: decided once the forms are read.
            waiting.push_back({matchingCode(code), remember(record, position), known});
            return;
        }
        const auto person = static_cast<quint32>(people.size());
        if (listDeadlines(factsOf(known, 0), person))
            remember(record, position);
    });
    forms.join();
    list.complete = formsWhole && whole;
    for (const Waiting &w : waiting)
        listDeadlines(factsOf(w.known, applications.find(w.code)), w.person);

    // The candidates: the people with a deadline in the list, in archive order,
    // with their names decoded (repeated first names and courses once each) and
    // folded for the order in `keys`.
    std::vector<bool> hasDeadline(people.size(), false);
    std::size_t candidates = 0;
    std::size_t keyBytes = 0; // at most: the folded names add two blanks each and a separator
    for (const Deadline &one : listed) {
        if (!hasDeadline[one.candidate]) {
            hasDeadline[one.candidate] = true;
            ++candidates;
            keyBytes += people[one.candidate].surname + people[one.candidate].name + 5u;
        }
    }
    list.candidates.reserve(candidates);
    TextCache repeated;
    std::string keys;
    keys.reserve(keyBytes);
    std::vector<std::pair<quint32, quint32>> keyOf; // where each candidate's key lies in `keys`
    keyOf.reserve(candidates);
    for (std::size_t i = 0; i < people.size(); ++i) {
        if (!hasDeadline[i])
            continue;
        Person &person = people[i];
        const char *bytes = names.data() + person.at;
        const QByteArrayView surname(bytes, person.surname);
        const QByteArrayView name(bytes + person.surname, person.name);
        const QByteArrayView course(bytes + person.surname + person.name, person.course);
        char buffer[2 * TextField::kMaxStoredCharacters + 8];
        std::size_t length = foldedBytes(surname, buffer, sizeof buffer / 2);
        buffer[length++] = '\x01';
        length += foldedBytes(name, buffer + length, sizeof buffer - length);
        keyOf.emplace_back(static_cast<quint32>(keys.size()), static_cast<quint32>(length));
        keys.append(buffer, length);
        person.candidate = static_cast<quint32>(list.candidates.size());
        list.candidates.push_back({person.position, Windows1252::decode(surname), repeated.text(name), repeated.text(course)});
    }

    // The candidates by surname and name (folded), then in archive order: by the
    // first eight letters of their keys (after the blank every key begins with)
    // as one number, then by the whole keys where those are alike.
    const auto prefixOf = [&](std::size_t i) {
        quint64 prefix = 0;
        const std::size_t length = std::min<std::size_t>(keyOf[i].second, 9);
        for (std::size_t k = 1; k < length; ++k)
            prefix |= static_cast<quint64>(static_cast<unsigned char>(keys[keyOf[i].first + k])) << (64 - 8 * k);
        return prefix;
    };
    std::vector<std::pair<quint64, quint32>> byName(list.candidates.size());
    for (std::size_t i = 0; i < byName.size(); ++i)
        byName[i] = {prefixOf(i), static_cast<quint32>(i)};
    sortByNumber(byName, [](const std::pair<quint64, quint32> &one) { return one.first; });
    for (auto run = byName.begin(); run != byName.end();) {
        const auto end = std::find_if(run, byName.end(), [&](const std::pair<quint64, quint32> &one) { return one.first != run->first; });
        if (end - run > 1) {
            std::stable_sort(run, end, [&](const std::pair<quint64, quint32> &a, const std::pair<quint64, quint32> &b) {
                const std::string_view x(keys.data() + keyOf[a.second].first, keyOf[a.second].second);
                const std::string_view y(keys.data() + keyOf[b.second].first, keyOf[b.second].second);
                return x < y;
            });
        }
        run = end;
    }
    std::vector<quint32> rank(byName.size());
    std::vector<Candidate> ranked;
    ranked.reserve(byName.size());
    for (std::size_t r = 0; r < byName.size(); ++r) {
        rank[byName[r].second] = static_cast<quint32>(r);
        ranked.push_back(std::move(list.candidates[byName[r].second]));
    }
    list.candidates = std::move(ranked);

    // Each deadline by date, its candidate's place and its kind: the whole of a
    // line in one number, sorted as numbers. Day (27 bits from the first), place
    // (32 bits), kind (4 bits), estimated (1 bit).
    qint64 firstDay = std::numeric_limits<qint64>::max();
    for (const Deadline &one : listed)
        firstDay = std::min(firstDay, one.date.toJulianDay());
    static_assert(static_cast<int>(Kind::DrivingToCheck) < 16, "a kind takes four bits of the order");
    std::vector<quint64> order(listed.size());
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const Deadline &one = listed[i];
        order[i] = (static_cast<quint64>(one.date.toJulianDay() - firstDay) << 37)
                   | (static_cast<quint64>(rank[people[one.candidate].candidate]) << 5) | (static_cast<quint64>(one.kind) << 1)
                   | (one.estimated ? 1u : 0u);
    }
    sortByNumber(order, [](quint64 key) { return key; });
    for (std::size_t i = 0; i < order.size(); ++i) {
        const quint64 key = order[i];
        const QDate date = QDate::fromJulianDay(firstDay + static_cast<qint64>(key >> 37));
        listed[i] = {static_cast<quint32>(key >> 5), static_cast<Kind>((key >> 1) & 0xF), urgencyOf(date, today), (key & 1) != 0, date};
    }
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

QString lineOf(const Deadline &deadline, const Candidate &candidate)
{
    const QString who = QString(candidate.surname + u' ' + candidate.name).trimmed();
    QString line = deadline.date.toString(QStringLiteral("dd/MM/yyyy"));
    line += u"  " + urgencyWord(deadline.urgency).leftJustified(9);
    line += u"  " + kindText(deadline.kind).leftJustified(37);
    line += u"  " + who.leftJustified(32);
    line += u"  Corso: " + candidate.course.leftJustified(12);
    if (deadline.estimated)
        line += u"  (stimata)";
    return line.trimmed();
}

} // namespace Deadlines
