#include "calendar/EnrolmentRegister.h"

#include "calendar/Deadlines.h"
#include "printing/TableReport.h"
#include "storage/ArchiveError.h"
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"

#include <QFileInfo>

namespace EnrolmentRegister {
namespace {

QString joined(std::initializer_list<QString> parts, const QString &separator)
{
    QStringList kept;
    for (const QString &part : parts)
        if (!part.isEmpty())
            kept << part;
    return kept.join(separator);
}

QString inBrackets(const QString &text)
{
    return text.isEmpty() ? QString() : u'(' + text + u')';
}

QString dateText(const QDate &date)
{
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

QStringList rowOf(const RecordBuffer &s)
{
    using namespace StudentRecord;
    const auto t = [&s](int field) { return s.text(field); };
    return {
        t(txtNumIsc),
        t(txtDataIsc),
        joined({t(txtCognome), t(txtNome)}, QStringLiteral(" ")),
        t(txtDataNascPro),
        joined({t(txtLuogoNascPro), inBrackets(t(txtProvNascPro)), t(txtStatoNascPro).compare(u"ITALIA", Qt::CaseInsensitive) == 0
                                                                          ? QString()
                                                                          : t(txtStatoNascPro)},
               QStringLiteral(" ")),
        joined({joined({t(txtViaPro), t(txtNumPro)}, QStringLiteral(" ")),
                joined({t(txtCapResPro), t(txtComuneResPro), inBrackets(t(txtProvResPro))}, QStringLiteral(" "))},
               QStringLiteral(", ")),
        t(txtFoglio),
        joined({t(txtDataTeo), t(txtEsitoTeo)}, QStringLiteral("\n")),
        joined({t(txtDataGuida), t(txtEsitoGuida)}, QStringLiteral("\n")),
    };
}

} // namespace

Register create(const QString &studentsPath, const QString &schoolCode, const QDate &from, const QDate &to, const QDate &today)
{
    TableReport::Table table;
    table.name = QStringLiteral("Registro di iscrizione");
    table.title = QStringLiteral("Registro di iscrizione");
    table.subtitles << QStringLiteral("Autoscuola: %1").arg(schoolCode.isEmpty() ? QStringLiteral("-") : schoolCode)
                   << QStringLiteral("Allievi iscritti dal %1 al %2 - stampato il %3").arg(dateText(from), dateText(to), dateText(today));
    table.columns = {
        {QStringLiteral("N. iscrizione"), 17},
        {QStringLiteral("Data iscrizione"), 19, Qt::AlignHCenter},
        {QStringLiteral("Cognome e nome"), 40},
        {QStringLiteral("Data di nascita"), 19, Qt::AlignHCenter},
        {QStringLiteral("Luogo di nascita"), 32},
        {QStringLiteral("Residenza"), 52},
        {QStringLiteral("Foglio rosa"), 30},
        {QStringLiteral("Esame di teoria"), 34},
        {QStringLiteral("Esame di guida"), 34},
    };

    Register result;
    if (QFileInfo::exists(studentsPath)) {
        try {
            RecordFile file;
            file.OpenForReading(studentsPath, StudentRecord::Size);
            RecordBuffer student(StudentRecord::layout());
            result.complete = file.ScanRecords([&](std::span<const char> bytes) {
                student.setBytes(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
                const std::optional<QDate> enrolled = Deadlines::parseDate(QStringView(student.text(StudentRecord::txtDataIsc)));
                if (enrolled && *enrolled >= from && *enrolled <= to)
                    table.rows.push_back(rowOf(student));
            });
            file.CloseRecordFile();
        } catch (const RecordFileError &) {
            result.complete = false;
        }
    }
    result.students = static_cast<int>(table.rows.size());
    result.document = TableReport::create(table);
    return result;
}

} // namespace EnrolmentRegister
