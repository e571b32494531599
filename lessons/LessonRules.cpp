#include "lessons/LessonRules.h"

#include "calendar/Deadlines.h"
#include "storage/ArchiveError.h"
#include "storage/IniFile.h"
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "storage/TextField.h"
#include "storage/Windows1252.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <limits>
#include <map>

namespace Lessons {
namespace {

// Lower case without accents, for matching words.
QString folded(QStringView text)
{
    QString out = text.toString().toLower();
    out = out.normalized(QString::NormalizationForm_D);
    out.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    return out;
}

QStringList keywordList(const QString &text)
{
    QStringList words;
    for (const QString &part : text.split(u','))
        if (const QString word = folded(part.trimmed()); !word.isEmpty())
            words << word;
    return words;
}

QString keyText(const QStringList &words)
{
    return words.join(QStringLiteral(", "));
}

const char *const kNightKey = "Notturna";
const char *const kMotorwayKey = "Autostrada";
const char *const kExtraUrbanKey = "Extraurbana";

QString hhmm(int minutes)
{
    minutes %= 24 * 60;
    return QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QLatin1Char('0')).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

// The key by which names are grouped: trimmed, upper case.
QString groupKey(const QString &name)
{
    return name.trimmed().toUpper();
}

} // namespace

Keywords Keywords::defaults()
{
    return {{QStringLiteral("notturn"), QStringLiteral("notte")},
            {QStringLiteral("autostrad"), QStringLiteral("extraurbana principale")},
            {QStringLiteral("extraurban"), QStringLiteral("scorrimento")}};
}

QString keywordSection()
{
    return QStringLiteral("Guide obbligatorie");
}

Keywords loadKeywords(const QString &iniPath, bool writeMissing)
{
    const Keywords defaults = Keywords::defaults();
    Keywords keywords = defaults;
    QList<QPair<QString, QString>> missing;
    const struct {
        const char *key;
        QStringList Keywords::*list;
    } keys[] = {{kNightKey, &Keywords::night}, {kMotorwayKey, &Keywords::motorway}, {kExtraUrbanKey, &Keywords::extraUrban}};
    bool readable = true;
    for (const auto &entry : keys) {
        const IniFile::ReadResult read = IniFile::read(iniPath, keywordSection(), QString::fromLatin1(entry.key));
        if (read.status == IniFile::ReadStatus::Unreadable)
            readable = false;
        if (read.status == IniFile::ReadStatus::Ok)
            keywords.*entry.list = keywordList(read.value);
        else
            missing.append({QString::fromLatin1(entry.key), keyText(defaults.*entry.list)});
    }
    // A file that cannot be read is never rewritten from what could not be read.
    if (writeMissing && readable && !missing.isEmpty())
        IniFile::writeValues(iniPath, keywordSection(), missing);
    return keywords;
}

Lesson lessonOf(std::span<const char> record, int number)
{
    using namespace LessonRecord;
    const RecordLayout &layout = LessonRecord::layout();
    const auto text = [&](int field) {
        const FieldDef &def = layout.field(field);
        return TextField::load(record.subspan(static_cast<std::size_t>(def.offset), static_cast<std::size_t>(def.size())));
    };
    return {number, text(txtData), text(txtDurata), text(txtOraInizio), text(txtOraFine), text(txtVeicolo), text(txtTarga),
            text(txtIstruttore), text(txtModulo)};
}

std::vector<Lesson> readLessons(const QString &path, bool *complete)
{
    std::vector<Lesson> lessons;
    bool whole = true;
    if (QFileInfo::exists(path)) {
        try {
            RecordFile file;
            file.OpenForReading(path, LessonRecord::Size);
            int index = 0;
            whole = file.ScanRecords([&](std::span<const char> record) {
                Lesson lesson = lessonOf(record, ++index);
                if (!lesson.date.isEmpty())
                    lessons.push_back(std::move(lesson));
            });
            file.CloseRecordFile();
        } catch (const RecordFileError &) {
            whole = false;
        }
    }
    if (complete)
        *complete = whole;
    return lessons;
}

qint64 studentOfFile(const QString &path)
{
    static const QRegularExpression name(QStringLiteral("^Lezioni_Guida_Allievo_(\\d{1,12})\\.lez$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = name.match(QFileInfo(path).fileName());
    return match.hasMatch() ? match.capturedView(1).toLongLong() : 0;
}

std::optional<int> timeOfDay(QStringView text)
{
    text = TextField::trimmed(text);
    // H:MM or HH:MM (a dot also separates them).
    if (text.size() < 4 || text.size() > 5)
        return std::nullopt;
    const qsizetype colon = text.size() - 3;
    if (text[colon] != u':' && text[colon] != u'.')
        return std::nullopt;
    int hours = 0;
    for (qsizetype i = 0; i < colon; ++i) {
        if (!text[i].isDigit() || text[i].unicode() > u'9')
            return std::nullopt;
        hours = hours * 10 + (text[i].unicode() - u'0');
    }
    const char16_t m1 = text[colon + 1].unicode();
    const char16_t m2 = text[colon + 2].unicode();
    if (m1 < u'0' || m1 > u'9' || m2 < u'0' || m2 > u'9')
        return std::nullopt;
    const int minutes = (m1 - u'0') * 10 + (m2 - u'0');
    if (hours > 23 || minutes > 59)
        return std::nullopt;
    return hours * 60 + minutes;
}

std::optional<int> minutesBetween(QStringView start, QStringView end)
{
    const std::optional<int> from = timeOfDay(start);
    const std::optional<int> to = timeOfDay(end);
    if (!from || !to)
        return std::nullopt;
    return *to >= *from ? *to - *from : *to + 24 * 60 - *from;
}

std::optional<int> minutesOfDuration(QStringView text)
{
    const QString t = folded(text).simplified();
    if (t.isEmpty())
        return std::nullopt;
    static const QRegularExpression clock(QStringLiteral("^(\\d{1,2}):(\\d{2})$"));
    static const QRegularExpression minutesOnly(QStringLiteral("^(\\d{1,4}) ?(?:'|m|min|min\\.|minuti)$"));
    static const QRegularExpression hours(QStringLiteral(
        "^(\\d{1,2})(?:[.,](\\d{1,2}))? ?(?:h|ore|ora|hr)\\.?(?: ?e)? ?(?:(\\d{1,2}) ?(?:'|m|min|min\\.|minuti)?)?$"));
    int minutes = -1;
    if (const QRegularExpressionMatch m = clock.match(t); m.hasMatch()) {
        if (m.capturedView(2).toInt() < 60)
            minutes = m.capturedView(1).toInt() * 60 + m.capturedView(2).toInt();
    } else if (const QRegularExpressionMatch m2 = minutesOnly.match(t); m2.hasMatch()) {
        minutes = m2.capturedView(1).toInt();
    } else if (const QRegularExpressionMatch m3 = hours.match(t); m3.hasMatch()) {
        const int whole = m3.capturedView(1).toInt();
        const bool fraction = m3.capturedLength(2) > 0;
        const bool extra = m3.capturedLength(3) > 0;
        if (fraction && extra)
            return std::nullopt; // "1,5 h 30": not a length anyone writes
        minutes = whole * 60;
        if (fraction) {
            const QStringView digits = m3.capturedView(2);
            minutes += static_cast<int>(std::lround(60.0 * digits.toInt() / (digits.size() == 1 ? 10 : 100)));
        }
        if (extra) {
            const int more = m3.capturedView(3).toInt();
            if (more >= 60)
                return std::nullopt;
            minutes += more;
        }
    }
    if (minutes <= 0 || minutes > 24 * 60)
        return std::nullopt;
    return minutes;
}

std::optional<int> minutesOf(const Lesson &lesson)
{
    if (const std::optional<int> between = minutesBetween(lesson.start, lesson.end))
        return between;
    return minutesOfDuration(lesson.duration);
}

QString durationText(int minutes)
{
    if (minutes < 60)
        return QStringLiteral("%1 min").arg(minutes);
    if (minutes % 60 == 0)
        return QStringLiteral("%1 h").arg(minutes / 60);
    return QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60);
}

Kind kindOf(QStringView module, const Keywords &keywords)
{
    const QString text = folded(module);
    const auto any = [&text](const QStringList &words) {
        return std::any_of(words.begin(), words.end(), [&text](const QString &word) { return text.contains(word); });
    };
    if (any(keywords.night))
        return Kind::Night;
    if (any(keywords.motorway))
        return Kind::Motorway;
    if (any(keywords.extraUrban))
        return Kind::ExtraUrban;
    return Kind::Ordinary;
}

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Night: return QStringLiteral("Notturna");
    case Kind::Motorway: return QStringLiteral("Autostrada");
    case Kind::ExtraUrban: return QStringLiteral("Extraurbana");
    case Kind::Ordinary: return QStringLiteral("Ordinaria");
    }
    return QString();
}

std::optional<Booking> bookingOf(const Lesson &lesson, qint64 student, const QString &who)
{
    const std::optional<QDate> date = Deadlines::parseDate(QStringView(lesson.date));
    const std::optional<int> from = timeOfDay(lesson.start);
    const std::optional<int> length = minutesBetween(lesson.start, lesson.end);
    if (!date || !from || !length)
        return std::nullopt;
    return Booking{student, who, lesson.number, *date, *from, *from + *length, groupKey(lesson.instructor), groupKey(lesson.plate)};
}

Summary summarise(std::span<const Lesson> lessons, const Keywords &keywords, qint64 student, std::span<const Booking> everyone)
{
    Summary summary;
    std::map<QDate, int> mandatoryPerDay;
    std::map<int, QStringList> warnings;
    for (const Lesson &lesson : lessons) {
        ++summary.lessons;
        const std::optional<int> minutes = minutesOf(lesson);
        const Kind kind = kindOf(lesson.module, keywords);
        QStringList &said = warnings[lesson.number];
        if (!minutes) {
            ++summary.unknown;
            said << QStringLiteral("durata non riconosciuta");
        } else {
            summary.minutes += *minutes;
            if (*minutes < 30)
                said << QStringLiteral("durata inferiore a 30 minuti");
            switch (kind) {
            case Kind::Night: summary.night += *minutes; break;
            case Kind::Motorway: summary.motorway += *minutes; break;
            case Kind::ExtraUrban: summary.extraUrban += *minutes; break;
            case Kind::Ordinary: break;
            }
            if (kind != Kind::Ordinary)
                if (const std::optional<QDate> date = Deadlines::parseDate(QStringView(lesson.date)))
                    mandatoryPerDay[*date] += *minutes;
        }
        if (kind == Kind::Night)
            if (const std::optional<int> start = timeOfDay(lesson.start); start && *start >= 7 * 60 && *start < 17 * 60)
                said << QStringLiteral("guida notturna iniziata tra le 07:00 e le 17:00");
        if (lesson.instructor.isEmpty())
            said << QStringLiteral("istruttore non indicato");
        if (lesson.vehicle.isEmpty())
            said << QStringLiteral("veicolo non indicato");
        if (lesson.plate.isEmpty())
            said << QStringLiteral("targa non indicata");
        if (const std::optional<Booking> mine = bookingOf(lesson, student, QString())) {
            for (const Booking &other : everyone) {
                if (other.student == student && other.lesson == lesson.number)
                    continue;
                if (other.date != mine->date || other.to <= mine->from || other.from >= mine->to)
                    continue;
                const QString when = QStringLiteral("%1 (%2-%3)").arg(other.who.isEmpty() ? QStringLiteral("allievo n. %1").arg(other.student) : other.who,
                                                                       hhmm(other.from), hhmm(other.to));
                if (!mine->instructor.isEmpty() && other.instructor == mine->instructor)
                    said << QStringLiteral("istruttore gi\u00E0 impegnato con ") + when;
                if (!mine->plate.isEmpty() && other.plate == mine->plate)
                    said << QStringLiteral("targa gi\u00E0 impegnata con ") + when;
            }
        }
    }
    // More than two hours of mandatory lessons on one day: said on each of that day's.
    for (const Lesson &lesson : lessons) {
        const std::optional<QDate> date = Deadlines::parseDate(QStringView(lesson.date));
        if (date && mandatoryPerDay[*date] > kMandatoryMinutes && kindOf(lesson.module, keywords) != Kind::Ordinary)
            warnings[lesson.number] << QStringLiteral("pi\u00F9 di 2 ore di guide obbligatorie nello stesso giorno");
    }
    for (const auto &[number, texts] : warnings)
        for (const QString &text : texts)
            summary.warnings.push_back({number, text});
    return summary;
}

std::vector<std::pair<qint64, QString>> lessonFiles(const QString &folder)
{
    std::vector<std::pair<qint64, QString>> files;
    static const QRegularExpression name(QStringLiteral("^Lezioni_Guida_Allievo_(\\d{1,12})\\.lez$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QDir dir(folder);
    for (const QFileInfo &info : dir.entryInfoList({QStringLiteral("*.lez")}, QDir::Files | QDir::NoDotAndDotDot)) {
        const QRegularExpressionMatch match = name.match(info.fileName());
        if (match.hasMatch() && info.isFile())
            files.emplace_back(match.capturedView(1).toLongLong(), info.filePath());
    }
    std::sort(files.begin(), files.end());
    return files;
}

quint32 Folder::intern(QByteArrayView bytes)
{
    std::string key(bytes.data(), static_cast<std::size_t>(bytes.size()));
    const auto found = m_index.find(key);
    if (found != m_index.end())
        return found->second;
    const quint32 index = static_cast<quint32>(m_texts.size());
    m_texts.push_back(TextField::trimmedString(QStringView(Windows1252::decode(bytes))));
    m_index.emplace(std::move(key), index);
    return index;
}

Lesson Folder::lesson(std::size_t i) const
{
    const Entry &e = m_entries[i];
    return {e.number, m_texts[e.text[0]], m_texts[e.text[1]], m_texts[e.text[2]], m_texts[e.text[3]],
            m_texts[e.text[4]], m_texts[e.text[5]], m_texts[e.text[6]], m_texts[e.text[7]]};
}

std::vector<Lesson> Folder::lessonsOf(qint64 student) const
{
    std::vector<Lesson> lessons;
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].student == student)
            lessons.push_back(lesson(i));
    return lessons;
}

QString Folder::student(qint64 number) const
{
    const auto found = m_students.find(number);
    return found != m_students.end() ? found->second : QStringLiteral("allievo n. %1").arg(number);
}

std::vector<Booking> Folder::bookings() const
{
    std::vector<Booking> result;
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (std::optional<Booking> booking = bookingOf(lesson(i), m_entries[i].student, student(m_entries[i].student)))
            result.push_back(std::move(*booking));
    return result;
}

Folder readFolder(const QString &folder, const std::function<bool(int, int)> &progress)
{
    Folder result;
    // The students' names, by position: lesson file N belongs to student N.
    const QString archive = QDir(folder).filePath(QString::fromLatin1(StudentRecord::FileName));
    if (QFileInfo::exists(archive)) {
        try {
            RecordFile file;
            file.OpenForReading(archive, StudentRecord::Size);
            const RecordLayout &layout = StudentRecord::layout();
            const FieldDef &surname = layout.field(StudentRecord::txtCognome);
            const FieldDef &name = layout.field(StudentRecord::txtNome);
            qint64 position = 0;
            result.complete = file.ScanRecords([&](std::span<const char> record) {
                ++position;
                const QString who = QString(TextField::load(record.subspan(static_cast<std::size_t>(surname.offset),
                                                                           static_cast<std::size_t>(surname.size())))
                                            + u' '
                                            + TextField::load(record.subspan(static_cast<std::size_t>(name.offset),
                                                                             static_cast<std::size_t>(name.size()))))
                                        .trimmed();
                result.m_students.emplace(position, who);
            });
            file.CloseRecordFile();
        } catch (const RecordFileError &) {
            result.complete = false;
        }
    }
    const std::vector<std::pair<qint64, QString>> files = lessonFiles(folder);
    const RecordLayout &layout = LessonRecord::layout();
    const FieldDef &date = layout.field(LessonRecord::txtData);
    constexpr quint32 kNoText = std::numeric_limits<quint32>::max();
    std::array<std::pair<std::string, quint32>, LessonRecord::FieldCount> last;
    for (auto &entry : last)
        entry.second = kNoText;
    int done = 0;
    for (const auto &[fileNumber, path] : files) {
        if (progress && !progress(done, static_cast<int>(files.size()))) {
            result.cancelled = true;
            return result;
        }
        ++done;
        const qint64 number = fileNumber; // a lambda may not capture a structured binding everywhere
        try {
            RecordFile file;
            file.OpenForReading(path, LessonRecord::Size);
            int index = 0;
            const bool whole = file.ScanRecords([&](std::span<const char> record) {
                ++index;
                // A lesson without a date is not listed, nor counted.
                if (TextField::trimmedBytes(record.subspan(static_cast<std::size_t>(date.offset), static_cast<std::size_t>(date.size())))
                        .isEmpty())
                    return;
                Folder::Entry entry;
                entry.student = number;
                entry.number = index;
                for (int field = 0; field < LessonRecord::FieldCount; ++field) {
                    const FieldDef &def = layout.field(field);
                    const QByteArrayView bytes =
                        TextField::trimmedBytes(record.subspan(static_cast<std::size_t>(def.offset), static_cast<std::size_t>(def.size())));
                    // A student's lessons mostly repeat the vehicle, plate and
                    // instructor of the one before: those need no lookup.
                    auto &[lastBytes, lastText] = last[static_cast<std::size_t>(field)];
                    if (lastText == kNoText || QByteArrayView(lastBytes) != bytes) {
                        lastBytes.assign(bytes.data(), static_cast<std::size_t>(bytes.size()));
                        lastText = result.intern(bytes);
                    }
                    entry.text[field] = lastText;
                }
                result.m_entries.push_back(entry);
            });
            file.CloseRecordFile();
            result.complete = result.complete && whole;
        } catch (const RecordFileError &) {
            result.complete = false;
        }
    }
    if (progress)
        progress(done, static_cast<int>(files.size()));
    return result;
}

Hours hoursOf(const Folder &folder, const QDate &from, const QDate &to)
{
    // Counted by the text of each name first, then the texts that differ only in
    // case or blanks put together.
    std::unordered_map<quint32, Tally> instructorTexts;
    std::unordered_map<quint32, Tally> plateTexts;
    std::unordered_map<quint32, std::optional<QDate>> dates;
    for (std::size_t i = 0; i < folder.size(); ++i) {
        const Folder::Entry &e = folder.entry(i);
        auto known = dates.find(e.text[LessonRecord::txtData]);
        if (known == dates.end())
            known = dates.emplace(e.text[LessonRecord::txtData], Deadlines::parseDate(QStringView(folder.text(e.text[LessonRecord::txtData]))))
                        .first;
        const std::optional<QDate> &day = known->second;
        if (!day || *day < from || *day > to)
            continue;
        std::optional<int> minutes =
            minutesBetween(folder.text(e.text[LessonRecord::txtOraInizio]), folder.text(e.text[LessonRecord::txtOraFine]));
        if (!minutes)
            minutes = minutesOfDuration(folder.text(e.text[LessonRecord::txtDurata]));
        const auto add = [&](std::unordered_map<quint32, Tally> &tallies, quint32 text) {
            if (folder.text(text).isEmpty())
                return;
            Tally &tally = tallies[text];
            ++tally.lessons;
            if (minutes)
                tally.minutes += *minutes;
            else
                ++tally.unknown;
        };
        add(instructorTexts, e.text[LessonRecord::txtIstruttore]);
        add(plateTexts, e.text[LessonRecord::txtTarga]);
    }
    const auto merge = [&folder](const std::unordered_map<quint32, Tally> &byText, bool upper) {
        // In the order the texts were first met, so that a name keeps its first spelling.
        std::vector<std::pair<quint32, Tally>> sorted(byText.begin(), byText.end());
        std::sort(sorted.begin(), sorted.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        std::map<QString, Tally> grouped;
        for (const auto &[text, counted] : sorted) {
            const QString &name = folder.text(text);
            Tally &tally = grouped[groupKey(name)];
            if (tally.name.isEmpty())
                tally.name = upper ? name.toUpper() : name;
            tally.minutes += counted.minutes;
            tally.lessons += counted.lessons;
            tally.unknown += counted.unknown;
        }
        std::vector<Tally> out;
        for (auto &[key, tally] : grouped)
            out.push_back(std::move(tally));
        return out;
    };
    return {merge(instructorTexts, false), merge(plateTexts, true)};
}

bool sameName(const QString &a, const QString &b)
{
    return groupKey(a) == groupKey(b);
}

} // namespace Lessons
