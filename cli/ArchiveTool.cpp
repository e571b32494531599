#include "cli/ArchiveTool.h"
#include "cli/BackupCommands.h"

#include "checks/TaxCode.h"
#include "checks/TaxCodeData.h"
#include "shell/Clock.h"
#include "storage/ArchiveError.h"
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "storage/TextField.h"
#include "storage/Windows1252.h"

#include <QFileDevice>
#include <QFileInfo>
#include <QIODevice>
#include "calendar/Deadlines.h"
#include "lessons/LessonRules.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>

#include <optional>
#include <vector>

namespace ArchiveTool {
namespace {

constexpr int kOk = 0;
constexpr int kAnomalies = 1;
constexpr int kBadInput = 2;

const QString kUsage = QStringLiteral(
    "usage: volantix-archive dump|append|check FILE [--kind tt2112|student|lesson] [--strict], "
    "or volantix-archive taxcode CODE|-|--compute, "
    "or volantix-archive deadlines [--today dd/mm/yyyy] [--days N], "
    "or volantix-archive lessons FILE --summary, "
    "or volantix-archive hours --from dd/mm/yyyy --to dd/mm/yyyy, "
    "or volantix-archive backup DEST_FOLDER | verify BACKUP.zip | restore BACKUP.zip [--password-file FILE]");

struct Context {
    QIODevice &in;
    QIODevice &out;
    QIODevice &err;
    bool strict = false;
    bool outputFailed = false;

    void print(const QByteArray &line)
    {
        const QByteArray bytes = line + '\n';
        if (out.write(bytes) != bytes.size())
            outputFailed = true;
    }
    void warn(const QString &message) { err.write("volantix-archive: " + message.toUtf8() + '\n'); }
    int error(const QString &message)
    {
        warn(message);
        return kBadInput;
    }
    // The end of a command that printed on the output: when the output could not
    // be written (a full disk), saying so is the result, with `done` telling what
    // happened to the archive all the same.
    int finish(int code, const QString &done = QString())
    {
        auto *file = qobject_cast<QFileDevice *>(&out);
        if (file != nullptr && !file->flush())
            outputFailed = true;
        if (!outputFailed)
            return code;
        const QString reason = file != nullptr && file->error() != QFileDevice::NoError ? file->errorString()
                                                                                         : out.errorString();
        return error(QStringLiteral("cannot write the output: ") + reason + done);
    }
};

const RecordLayout *layoutOfKind(const QString &kind)
{
    if (kind == QLatin1String("tt2112"))
        return &TT2112Record::layout();
    if (kind == QLatin1String("student"))
        return &StudentRecord::layout();
    if (kind == QLatin1String("lesson"))
        return &LessonRecord::layout();
    return nullptr;
}

const RecordLayout *layoutOfFile(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    if (name.compare(QLatin1String(TT2112Record::FileName), Qt::CaseInsensitive) == 0)
        return &TT2112Record::layout();
    if (name.compare(QLatin1String(StudentRecord::FileName), Qt::CaseInsensitive) == 0)
        return &StudentRecord::layout();
    static const QRegularExpression lessonName(QStringLiteral("^Lezioni_Guida_Allievo_[0-9]+\\.lez$"),
                                               QRegularExpression::CaseInsensitiveOption);
    if (lessonName.match(name).hasMatch())
        return &LessonRecord::layout();
    return nullptr;
}

QString fieldName(const FieldDef &field)
{
    return QString::fromLatin1(field.name.data(), static_cast<qsizetype>(field.name.size()));
}

int dump(Context &ctx, const QString &path, const RecordLayout &layout)
{
    RecordFile file;
    RecordBuffer record(layout);
    try {
        file.OpenForReading(path, layout.recordSize);
        file.ScanRecords([&](std::span<const char> bytes) {
            record.setBytes(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
            QByteArray line = "{\"_position\":" + QByteArray::number(file.CurrentRecord() + 1);
            for (int i = 0; i < layout.fieldCount(); ++i) {
                line += ",\"" + QByteArray(layout.field(i).name.data(), static_cast<qsizetype>(layout.field(i).name.size()))
                    + "\":" + jsonString(record.text(i));
            }
            ctx.print(line + '}');
        });
        file.CloseRecordFile();
    } catch (const RecordFileError &e) {
        return ctx.error(QStringLiteral("cannot read ") + e.detail());
    }
    return ctx.finish(kOk);
}

// What storing `given` made of it in `field`, beyond the trimming every stored
// text gets: characters cut off at the field's length, and characters that
// Windows-1252 lacks, stored as "?". Read back from the stored bytes, so it tells
// exactly what the record holds. Empty when the field holds the trimmed text.
QString storageChange(QStringView given, std::span<const char> field)
{
    const QList<uint> characters = TextField::trimmed(given).toUcs4();
    const qsizetype stored = qMin<qsizetype>(TextField::storedLength(field), characters.size());
    qsizetype substituted = 0;
    for (qsizetype i = 0; i < stored; ++i) {
        const auto byte = static_cast<unsigned char>(field[static_cast<std::size_t>(i) + 1]);
        if (Windows1252::decodeByte(byte) != characters[i])
            ++substituted;
    }
    QStringList changes;
    if (stored < characters.size())
        changes << QStringLiteral("cut from %1 to %2 characters").arg(characters.size()).arg(stored);
    if (substituted == 1)
        changes << QStringLiteral("1 character outside Windows-1252 stored as \"?\"");
    else if (substituted > 1)
        changes << QStringLiteral("%1 characters outside Windows-1252 stored as \"?\"").arg(substituted);
    return changes.join(QStringLiteral("; "));
}

// Fills `record` from one JSON object; returns an error message, or an empty text.
// Every text not stored as given (see storageChange) adds a line to `changes`.
QString fillRecord(const QJsonObject &object, RecordBuffer &record, QStringList &changes)
{
    const RecordLayout &layout = record.layout();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.key() == QLatin1String("_position"))
            continue;
        if (layout.indexOf(it.key().toStdString()) < 0)
            return QStringLiteral("unknown field \"%1\" for the %2 layout")
                .arg(it.key(), QString::fromLatin1(layout.kind.data(), static_cast<qsizetype>(layout.kind.size())));
    }
    for (int i = 0; i < layout.fieldCount(); ++i) {
        const FieldDef &field = layout.field(i);
        const QJsonValue value = object.value(fieldName(field));
        if (field.kind == FieldKind::YesNo) {
            if (value.isUndefined() || value.isNull()) {
                record.setYesNo(i, false);
            } else if (value.isBool()) {
                record.setYesNo(i, value.toBool());
            } else if (value.isString() && (value.toString() == TextField::yesText() || value.toString() == TextField::noText())) {
                record.setYesNo(i, value.toString() == TextField::yesText());
            } else {
                return QStringLiteral("field \"%1\" takes \"S\u00EC\", \"No\", true or false").arg(fieldName(field));
            }
        } else {
            if (value.isUndefined() || value.isNull()) {
                record.setText(i, QString());
            } else if (value.isString()) {
                const QString text = value.toString();
                record.setText(i, text);
                if (const QString change = storageChange(text, record.fieldBytes(i)); !change.isEmpty())
                    changes << QStringLiteral("field \"%1\": ").arg(fieldName(field)) + change;
            } else {
                return QStringLiteral("field \"%1\" takes a text").arg(fieldName(field));
            }
        }
    }
    return QString();
}

// Appends that went ahead without the writers' lock are said: on such a file
// system, records appended by several computers at once may overwrite each other.
void warnIfUnlocked(Context &ctx, const RecordFile &file, const QString &path)
{
    if (file.wroteWithoutLock())
        ctx.warn(QStringLiteral("%1: the file system refuses locks; records appended from several computers at once may be lost")
                     .arg(path));
}

int append(Context &ctx, const QString &path, const RecordLayout &layout)
{
    // A file that cannot take records (a folder, a pipe, a device) is refused
    // before the input is read, which could wait for a terminal or a pipe that
    // never ends. A missing file is created below.
    if (QFileInfo::exists(path)) {
        try {
            RecordFile probe;
            probe.OpenForReading(path, layout.recordSize);
        } catch (const RecordFileError &e) {
            return ctx.error(QStringLiteral("cannot write ") + e.detail() + QStringLiteral(" (no records appended)"));
        }
    }

    // Read and check all input first: bad input writes nothing.
    const QByteArray input = ctx.in.readAll();
    if (const auto *file = qobject_cast<const QFileDevice *>(&ctx.in); file != nullptr && file->error() != QFileDevice::NoError)
        return ctx.error(QStringLiteral("cannot read the input: ") + file->errorString());
    std::vector<QByteArray> records;
    QStringList changes;
    const QList<QByteArray> lines = input.split('\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QByteArray line = lines[n].trimmed();
        if (line.isEmpty())
            continue;
        QJsonParseError parseError{};
        const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
        if (parseError.error != QJsonParseError::NoError)
            return ctx.error(QStringLiteral("line %1: malformed JSON: %2").arg(n + 1).arg(parseError.errorString()));
        if (!document.isObject())
            return ctx.error(QStringLiteral("line %1: expected a JSON object").arg(n + 1));
        RecordBuffer record(layout);
        QStringList lineChanges;
        const QString problem = fillRecord(document.object(), record, lineChanges);
        if (!problem.isEmpty())
            return ctx.error(QStringLiteral("line %1: ").arg(n + 1) + problem);
        for (const QString &change : std::as_const(lineChanges))
            changes << QStringLiteral("line %1: ").arg(n + 1) + change;
        records.push_back(record.bytes());
    }
    // Texts cut or changed are stored all the same, unless --strict refuses them.
    for (const QString &change : std::as_const(changes))
        ctx.warn(change);
    if (ctx.strict && !changes.isEmpty())
        return ctx.error(QStringLiteral("nothing appended: --strict refuses texts that would be cut or changed"));

    RecordFile file;
    std::size_t done = 0;
    try {
        file.OpenOrCreate(path, layout.recordSize);
        for (const QByteArray &bytes : records) {
            const qint64 position = file.AppendRecord(std::span<const char>(bytes.constData(), static_cast<std::size_t>(bytes.size())));
            ++done;
            ctx.print(QByteArray::number(position));
        }
        file.CloseRecordFile();
    } catch (const RecordFileError &e) {
        warnIfUnlocked(ctx, file, path);
        return ctx.error(QStringLiteral("cannot write ") + e.detail()
                         + QStringLiteral(" (%1 of %2 records appended)").arg(done).arg(records.size()));
    }
    warnIfUnlocked(ctx, file, path);
    return ctx.finish(kOk, QStringLiteral(" (%1 of %1 records appended)").arg(records.size()));
}

int check(Context &ctx, const QString &path, const RecordLayout &layout)
{
    RecordFile file;
    int anomalies = 0;
    try {
        file.OpenForReading(path, layout.recordSize);
        const qint64 count = file.RecordCount();
        const qint64 trailing = file.TrailingBytes();
        ctx.print("records: " + QByteArray::number(count));
        file.ScanRecords([&](std::span<const char> bytes) {
            const qint64 number = file.CurrentRecord() + 1;
            for (int i = 0; i < layout.fieldCount(); ++i) {
                const FieldDef &field = layout.field(i);
                const auto length = static_cast<unsigned char>(bytes[static_cast<std::size_t>(field.offset)]);
                if (length > field.maxLength) {
                    ++anomalies;
                    ctx.print(QStringLiteral("anomaly: record %1, field %2: length byte %3 over the maximum %4")
                                  .arg(number).arg(fieldName(field)).arg(length).arg(field.maxLength).toUtf8());
                }
                if (field.kind == FieldKind::YesNo) {
                    const QString value = TextField::load(bytes.subspan(static_cast<std::size_t>(field.offset),
                                                                        static_cast<std::size_t>(field.size())));
                    if (value != TextField::yesText() && value != TextField::noText()) {
                        ++anomalies;
                        ctx.print(QStringLiteral("anomaly: record %1, field %2: yes/no field holds ")
                                      .arg(number).arg(fieldName(field)).toUtf8()
                                  + jsonString(value));
                    }
                }
            }
        });
        if (trailing > 0) {
            ++anomalies;
            ctx.print(QStringLiteral("anomaly: trailing partial record of %1 bytes at offset %2")
                          .arg(trailing).arg(count * layout.recordSize).toUtf8());
        }
        file.CloseRecordFile();
    } catch (const RecordFileError &e) {
        return ctx.error(QStringLiteral("cannot read ") + e.detail());
    }
    return ctx.finish(anomalies > 0 ? kAnomalies : kOk);
}

QByteArray jsonOrNull(const QString &text, bool present)
{
    return present ? jsonString(text) : QByteArray("null");
}

// Why `code` (upper case) is no valid tax code, in English; empty when it is valid.
QString taxCodeFault(const QString &code)
{
    const TaxCodeCheck check = CheckTaxCodeText(code, Clock::now().date());
    switch (check.fault) {
    case TaxCodeFault::None: return QString();
    case TaxCodeFault::Empty: return QStringLiteral("it is empty");
    case TaxCodeFault::Number11:
        return QStringLiteral("an 11-digit number is the tax code of a company or a provisional code, not a person's");
    case TaxCodeFault::Length: return QStringLiteral("it has %1 characters, not 16").arg(code.size());
    case TaxCodeFault::Character: return QStringLiteral("character %1 is neither a letter nor a digit").arg(check.position);
    case TaxCodeFault::Letter: return QStringLiteral("character %1 should be a letter").arg(check.position);
    case TaxCodeFault::Digit: return QStringLiteral("character %1 should be a digit").arg(check.position);
    case TaxCodeFault::Month: return QStringLiteral("character 9 is no month letter (A B C D E H L M P R S T)");
    case TaxCodeFault::Day: return QStringLiteral("characters 10 and 11 are no day (01-31, or 41-71 for a woman)");
    case TaxCodeFault::CheckLetter: return QStringLiteral("its check letter should be %1").arg(check.expected);
    case TaxCodeFault::Date: return QStringLiteral("its birth date does not exist");
    }
    return QString();
}

// Why the place of a decoded code is no place, in English; empty when it is one.
QString placeProblem(const DecodedTaxCode &decoded)
{
    if (decoded.place)
        return QString();
    if (!decoded.placeAnyTime)
        return QStringLiteral("the birth place code %1 is in no list of places").arg(decoded.placeCode);
    const BirthPlace &place = *decoded.placeAnyTime;
    return QStringLiteral("the birth place %1, %2, did not exist on the birth date")
        .arg(decoded.placeCode, place.foreign ? place.name : QStringLiteral("%1 (%2)").arg(place.name, place.province));
}

// What `given` says of its holder, as one JSON object; `problem` tells why the code
// is not valid (its text or its place), empty when it is.
QByteArray taxCodeObject(const QString &given, QString &problem)
{
    const QString code = given.trimmed().toUpper();
    problem = taxCodeFault(code);
    if (!problem.isEmpty())
        return "{\"valid\":false,\"code\":" + jsonString(code) + ",\"reason\":" + jsonString(problem) + '}';
    const std::optional<DecodedTaxCode> decoded = DecodeTaxCode(code, Clock::now().date());
    const std::optional<BirthPlace> &place = decoded->place;
    const bool municipality = place && !place->foreign;
    const bool state = place && place->foreign;
    problem = placeProblem(*decoded);
    return "{\"valid\":" + QByteArray(problem.isEmpty() ? "true" : "false") + ",\"code\":" + jsonString(code)
        + ",\"sex\":" + jsonString(QString(decoded->sex))
        + ",\"birthDate\":" + jsonString(decoded->birthDate.toString(QStringLiteral("dd/MM/yyyy")))
        + ",\"placeCode\":" + jsonString(decoded->placeCode)
        + ",\"municipality\":" + jsonOrNull(municipality ? place->name : QString(), municipality)
        + ",\"province\":" + jsonOrNull(municipality ? place->province : QString(), municipality)
        + ",\"state\":" + jsonOrNull(state ? place->name : QString(), state)
        + (problem.isEmpty() ? QByteArray() : ",\"reason\":" + jsonString(problem)) + '}';
}

// taxcode CODE: what the code says of its holder, as one JSON object. A code whose
// text is wrong is an error; one whose place did not exist on the birth date, or
// is in no list, is printed with "valid": false and the reason, and exits 1.
int readTaxCode(Context &ctx, const QString &given)
{
    QString problem;
    const QByteArray object = taxCodeObject(given, problem);
    if (!problem.isEmpty() && !object.contains("\"sex\""))
        return ctx.error(QStringLiteral("\"%1\" is not a valid tax code: ").arg(given) + problem);
    ctx.print(object);
    return ctx.finish(problem.isEmpty() ? kOk : kAnomalies);
}

// taxcode -: one code a line on input, one JSON object a line on output, blank
// lines left out; exits 1 when a code is not valid.
int readTaxCodes(Context &ctx)
{
    int invalid = 0;
    while (true) {
        const QByteArray line = ctx.in.readLine();
        if (line.isEmpty())
            break;
        const QString code = QString::fromUtf8(line).trimmed();
        if (code.isEmpty())
            continue;
        QString problem;
        ctx.print(taxCodeObject(code, problem));
        if (!problem.isEmpty())
            ++invalid;
    }
    if (const auto *file = qobject_cast<const QFileDevice *>(&ctx.in); file != nullptr && file->error() != QFileDevice::NoError)
        return ctx.error(QStringLiteral("cannot read the input: ") + file->errorString());
    return ctx.finish(invalid > 0 ? kAnomalies : kOk);
}

// A text member of `object`, trimmed, empty when missing; false when it is there
// but is no text.
bool textMember(const QJsonObject &object, const char *key, QString &text)
{
    const QJsonValue value = object.value(QLatin1String(key));
    text = value.isString() ? value.toString().trimmed() : QString();
    return value.isString() || value.isUndefined() || value.isNull();
}

QString placeList(const QList<BirthPlace> &places)
{
    QStringList names;
    for (const BirthPlace &place : places)
        names << (place.foreign ? place.name : QStringLiteral("%1 (%2)").arg(place.name, place.province));
    return names.join(QStringLiteral(", "));
}

// taxcode --compute: the code of the person described by the JSON object on input.
int computeTaxCode(Context &ctx)
{
    const QByteArray input = ctx.in.readAll();
    if (const auto *file = qobject_cast<const QFileDevice *>(&ctx.in); file != nullptr && file->error() != QFileDevice::NoError)
        return ctx.error(QStringLiteral("cannot read the input: ") + file->errorString());
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(input, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return ctx.error(QStringLiteral("malformed JSON: ") + parseError.errorString());
    if (!document.isObject())
        return ctx.error(QStringLiteral("expected a JSON object"));
    const QJsonObject object = document.object();

    QString surname, name, sex, birthDate, municipality, province, state, placeCode;
    const std::pair<const char *, QString *> members[] = {
        {"surname", &surname}, {"name", &name}, {"sex", &sex}, {"birthDate", &birthDate},
        {"municipality", &municipality}, {"province", &province}, {"state", &state}, {"placeCode", &placeCode}};
    for (const auto &[key, text] : members) {
        if (!textMember(object, key, *text))
            return ctx.error(QStringLiteral("\"%1\" takes a text").arg(QLatin1String(key)));
    }

    TaxCodePerson person;
    person.surname = surname;
    person.name = name;
    if (TaxCodeSurnameLetters(surname).isEmpty())
        return ctx.error(QStringLiteral("\"surname\" needs at least one letter"));
    if (TaxCodeNameLetters(name).isEmpty())
        return ctx.error(QStringLiteral("\"name\" needs at least one letter"));
    sex = sex.toUpper();
    if (sex != QLatin1String("M") && sex != QLatin1String("F"))
        return ctx.error(QStringLiteral("\"sex\" takes \"M\" or \"F\""));
    person.sex = sex[0];
    person.birthDate = QDate::fromString(birthDate, QStringLiteral("dd/MM/yyyy"));
    if (!person.birthDate.isValid())
        return ctx.error(QStringLiteral("\"birthDate\" takes a date as dd/mm/yyyy"));
    const QString when = person.birthDate.toString(QStringLiteral("dd/MM/yyyy"));
    if (person.birthDate > Clock::now().date())
        return ctx.error(QStringLiteral("\"birthDate\": %1 is after today").arg(when));

    // The place: a code as given, a foreign state, or a municipality.
    const BirthPlaces::BirthPlaceQuery query = BirthPlaces::queryFor(municipality, province, state);
    if (!placeCode.isEmpty()) {
        placeCode = placeCode.toUpper();
        const std::optional<BirthPlace> anyTime = BirthPlaces::byCode(placeCode);
        if (!anyTime)
            return ctx.error(QStringLiteral("\"placeCode\": \"%1\" is in no list of places").arg(placeCode));
        if (!BirthPlaces::byCode(placeCode, person.birthDate))
            return ctx.error(QStringLiteral("\"placeCode\": \"%1\", %2, did not exist on %3")
                                 .arg(placeCode, placeList({*anyTime}), when));
        person.placeCode = placeCode;
    } else if (query.name.isEmpty()) {
        return ctx.error(query.abroad ? QStringLiteral("\"state\" is missing")
                                      : QStringLiteral("the birth place is missing: give \"municipality\" and \"province\", \"state\", or \"placeCode\""));
    } else {
        const QList<BirthPlace> places = BirthPlaces::named(query, person.birthDate);
        const QString where = query.province.isEmpty() ? QStringLiteral("\"%1\"").arg(query.name)
                                                       : QStringLiteral("\"%1\" (%2)").arg(query.name, query.province);
        const QString what = query.abroad ? QStringLiteral("foreign state called") : QStringLiteral("municipality");
        if (places.isEmpty()) {
            // The lists may keep a municipality under another province.
            const QList<BirthPlace> elsewhere = query.abroad || query.province.isEmpty()
                ? QList<BirthPlace>()
                : BirthPlaces::named({query.name, QString(), false}, person.birthDate);
            // Or know it at another time: made after the birth, or ceased before it.
            const QList<BirthPlace> anyTime = elsewhere.isEmpty() ? BirthPlaces::named(query, QDate()) : QList<BirthPlace>();
            QStringList times;
            for (const BirthPlace &place : anyTime) {
                const QString label = placeList({place});
                if (place.validFrom.isValid() && person.birthDate < place.validFrom)
                    times << QStringLiteral("%1 was made on %2").arg(label, place.validFrom.toString(QStringLiteral("dd/MM/yyyy")));
                else if (place.validTo.isValid() && person.birthDate >= place.validTo)
                    times << QStringLiteral("%1 ceased on %2").arg(label, place.validTo.toString(QStringLiteral("dd/MM/yyyy")));
            }
            return ctx.error(QStringLiteral("no %1 %2 on %3").arg(what, where, when)
                             + (elsewhere.isEmpty() ? QString() : QStringLiteral("; the lists know ") + placeList(elsewhere))
                             + (times.isEmpty() ? QString() : QStringLiteral("; ") + times.join(QStringLiteral(", "))));
        }
        if (places.size() > 1)
            return ctx.error(QStringLiteral("several %1 %2 on %3: %4").arg(query.abroad ? QStringLiteral("foreign states called")
                                                                                        : QStringLiteral("municipalities"),
                                                                           where, when, placeList(places))
                             + (query.abroad ? QString() : QStringLiteral("; give the province")));
        person.placeCode = places.first().code;
    }

    const QString code = ComputeTaxCode(person);
    if (code.isEmpty())
        return ctx.error(QStringLiteral("cannot compute the code of these data"));
    ctx.print("{\"code\":" + jsonString(code) + '}');
    return ctx.finish(kOk);
}

} // namespace

QByteArray jsonString(const QString &text)
{
    QByteArray json;
    json.reserve(text.size() + 2);
    json += '"';
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'"': json += "\\\""; break;
        case u'\\': json += "\\\\"; break;
        case u'\b': json += "\\b"; break;
        case u'\f': json += "\\f"; break;
        case u'\n': json += "\\n"; break;
        case u'\r': json += "\\r"; break;
        case u'\t': json += "\\t"; break;
        default:
            if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
                json += "\\u" + QByteArray::number(u, 16).rightJustified(4, '0');
            else
                json += QString(c).toUtf8();
        }
    }
    json += '"';
    return json;
}

// The deadlines of the archives in the current folder, one JSON object each, in
// the order of the program's list.
int deadlines(Context &ctx, const QDate &today, int days)
{
    const QDir here = QDir::current();
    const Deadlines::List list = Deadlines::collect(here.filePath(QString::fromLatin1(StudentRecord::FileName)),
                                                    here.filePath(QString::fromLatin1(TT2112Record::FileName)), {today, days});
    for (const Deadlines::Deadline &d : list.deadlines) {
        const Deadlines::Candidate &who = list.candidateOf(d);
        ctx.print("{\"_position\":" + QByteArray::number(who.position) + ",\"txtCognome\":" + jsonString(who.surname)
                  + ",\"txtNome\":" + jsonString(who.name) + ",\"txtCodiceCor\":" + jsonString(who.course)
                  + ",\"scadenza\":" + jsonString(Deadlines::kindKey(d.kind))
                  + ",\"data\":" + jsonString(d.date.toString(QStringLiteral("dd/MM/yyyy")))
                  + ",\"stimata\":" + (d.estimated ? "true" : "false") + ",\"urgenza\":" + jsonString(Deadlines::urgencyKey(d.urgency))
                  + '}');
    }
    if (!list.complete)
        ctx.warn(QStringLiteral("an archive could not be read to the end: the list is incomplete"));
    return ctx.finish(list.complete ? kOk : kBadInput);
}

// What the lessons of one file add up to, as one JSON object.
int lessonSummary(Context &ctx, const QString &path)
{
    if (QFileInfo info(path); !info.exists() || !info.isFile())
        return ctx.error(QStringLiteral("cannot read %1: %2").arg(info.fileName(), info.exists() ? QStringLiteral("not a regular file")
                                                                                               : QStringLiteral("no such file")));
    const QString folder = QFileInfo(path).absolutePath();
    bool complete = true;
    const std::vector<Lessons::Lesson> lessons = Lessons::readLessons(path, &complete);
    const Lessons::Folder everyone = Lessons::readFolder(folder);
    const Lessons::Keywords keywords = Lessons::loadKeywords(QDir(folder).filePath(QStringLiteral("Autoscuola.ini")), false);
    const Lessons::Summary summary = Lessons::summarise(lessons, keywords, Lessons::studentOfFile(path), everyone.bookings());
    QByteArray warnings;
    for (const Lessons::Warning &warning : summary.warnings)
        warnings += (warnings.isEmpty() ? "" : ",") + QByteArray("{\"lezione\":") + QByteArray::number(warning.lesson)
                    + ",\"avviso\":" + jsonString(warning.text) + '}';
    ctx.print("{\"minuti\":" + QByteArray::number(summary.minutes) + ",\"lezioni\":" + QByteArray::number(summary.lessons)
              + ",\"notturna\":" + QByteArray::number(summary.night) + ",\"autostrada\":" + QByteArray::number(summary.motorway)
              + ",\"extraurbana\":" + QByteArray::number(summary.extraUrban) + ",\"sconosciute\":" + QByteArray::number(summary.unknown)
              + ",\"obbligatorie_completate\":" + (summary.mandatoryDone() ? "true" : "false") + ",\"avvisi\":[" + warnings + "]}");
    if (!complete)
        ctx.warn(QStringLiteral("%1 could not be read to the end").arg(QFileInfo(path).fileName()));
    return ctx.finish(complete ? kOk : kBadInput);
}

// The hours of each instructor and each vehicle over a period, from every lesson
// file of the current folder.
int hours(Context &ctx, const QDate &from, const QDate &to)
{
    const Lessons::Folder folder = Lessons::readFolder(QDir::currentPath());
    const Lessons::Hours hours = Lessons::hoursOf(folder, from, to);
    const auto print = [&ctx](const char *what, const Lessons::Tally &tally) {
        ctx.print("{\"" + QByteArray(what) + "\":" + jsonString(tally.name) + ",\"minuti\":" + QByteArray::number(tally.minutes)
                  + ",\"lezioni\":" + QByteArray::number(tally.lessons) + ",\"sconosciute\":" + QByteArray::number(tally.unknown) + '}');
    };
    for (const Lessons::Tally &tally : hours.instructors)
        print("istruttore", tally);
    for (const Lessons::Tally &tally : hours.plates)
        print("targa", tally);
    if (!folder.complete)
        ctx.warn(QStringLiteral("a file could not be read to the end: the hours are incomplete"));
    return ctx.finish(folder.complete ? kOk : kBadInput);
}

int run(const QStringList &arguments, QIODevice &in, QIODevice &out, QIODevice &err)
{
    if (!arguments.isEmpty() && BackupCommands::handles(arguments[0]))
        return BackupCommands::run(arguments, in, out, err);
    Context ctx{in, out, err};
    QStringList positional;
    QString kind;
    bool compute = false;
    std::optional<QString> todayText;
    std::optional<QString> daysText;
    std::optional<QString> fromText;
    std::optional<QString> toText;
    bool summary = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (arg == QLatin1String("--today") || arg == QLatin1String("--days") || arg == QLatin1String("--from")
            || arg == QLatin1String("--to")) {
            if (i + 1 >= arguments.size())
                return ctx.error(arg + QStringLiteral(" needs a value"));
            std::optional<QString> &target = arg == QLatin1String("--today") ? todayText
                                             : arg == QLatin1String("--days") ? daysText
                                             : arg == QLatin1String("--from") ? fromText
                                                                              : toText;
            target = arguments[++i];
        } else if (arg == QLatin1String("--summary")) {
            summary = true;
        } else if (arg == QLatin1String("--kind")) {
            if (i + 1 >= arguments.size())
                return ctx.error(QStringLiteral("--kind needs tt2112, student or lesson"));
            kind = arguments[++i];
        } else if (arg.startsWith(QLatin1String("--kind="))) {
            kind = arg.mid(7);
        } else if (arg == QLatin1String("--strict")) {
            ctx.strict = true;
        } else if (arg == QLatin1String("--compute")) {
            compute = true;
        } else {
            positional << arg;
        }
    }
    if (!positional.isEmpty() && positional[0] == QLatin1String("deadlines")) {
        if (positional.size() != 1 || !kind.isEmpty() || ctx.strict || compute)
            return ctx.error(QStringLiteral("deadlines takes --today and --days only; ") + kUsage);
        QDate today = Clock::now().date();
        if (todayText) {
            const std::optional<QDate> given = Deadlines::parseDate(QStringView(*todayText));
            if (!given)
                return ctx.error(QStringLiteral("--today needs a date as dd/mm/yyyy"));
            today = *given;
        }
        int days = 60;
        if (daysText) {
            bool ok = false;
            days = daysText->toInt(&ok);
            if (!ok || days < 0)
                return ctx.error(QStringLiteral("--days needs a whole number of days, 0 or more"));
        }
        return deadlines(ctx, today, days);
    }
    if (todayText || daysText)
        return ctx.error(QStringLiteral("--today and --days apply to deadlines only"));
    if (!positional.isEmpty() && positional[0] == QLatin1String("hours")) {
        if (positional.size() != 1 || !fromText || !toText || summary || !kind.isEmpty() || ctx.strict || compute)
            return ctx.error(QStringLiteral("hours takes --from and --to; ") + kUsage);
        const std::optional<QDate> from = Deadlines::parseDate(QStringView(*fromText));
        const std::optional<QDate> to = Deadlines::parseDate(QStringView(*toText));
        if (!from || !to || *to < *from)
            return ctx.error(QStringLiteral("--from and --to need two dates as dd/mm/yyyy, the first not after the second"));
        return hours(ctx, *from, *to);
    }
    if (fromText || toText)
        return ctx.error(QStringLiteral("--from and --to apply to hours only"));
    if (!positional.isEmpty() && positional[0] == QLatin1String("lessons")) {
        if (positional.size() != 2 || !summary || !kind.isEmpty() || ctx.strict || compute)
            return ctx.error(QStringLiteral("lessons takes a lesson file and --summary; ") + kUsage);
        return lessonSummary(ctx, positional[1]);
    }
    if (summary)
        return ctx.error(QStringLiteral("--summary applies to lessons only"));
    if (!positional.isEmpty() && positional[0] == QLatin1String("taxcode")) {
        if (!kind.isEmpty() || ctx.strict)
            return ctx.error(QStringLiteral("--kind and --strict apply to archive files only"));
        if (compute && positional.size() == 1)
            return computeTaxCode(ctx);
        if (!compute && positional.size() == 2 && positional[1] == QLatin1String("-"))
            return readTaxCodes(ctx);
        if (!compute && positional.size() == 2)
            return readTaxCode(ctx, positional[1]);
        return ctx.error(QStringLiteral("taxcode takes a code, - and one code a line on input, or --compute and a JSON object on input; ") + kUsage);
    }
    if (compute)
        return ctx.error(QStringLiteral("--compute applies to taxcode only"));
    if (positional.size() != 2)
        return ctx.error(QStringLiteral("expected a command and a file; ") + kUsage);
    const QString &command = positional[0];
    const QString &path = positional[1];

    const RecordLayout *layout = nullptr;
    if (!kind.isEmpty()) {
        layout = layoutOfKind(kind);
        if (layout == nullptr)
            return ctx.error(QStringLiteral("unknown kind \"%1\" (use tt2112, student or lesson)").arg(kind));
    } else {
        layout = layoutOfFile(path);
        if (layout == nullptr)
            return ctx.error(QStringLiteral("cannot tell the layout of \"%1\" from its name; use --kind tt2112|student|lesson")
                                 .arg(QFileInfo(path).fileName()));
    }

    if (ctx.strict && (command == QLatin1String("dump") || command == QLatin1String("check")))
        return ctx.error(QStringLiteral("--strict applies to append only"));
    if (command == QLatin1String("dump"))
        return dump(ctx, path, *layout);
    if (command == QLatin1String("append"))
        return append(ctx, path, *layout);
    if (command == QLatin1String("check"))
        return check(ctx, path, *layout);
    return ctx.error(QStringLiteral("unknown command \"%1\"; ").arg(command) + kUsage);
}

} // namespace ArchiveTool
