#include "lessons/LessonRegister.h"

#include "printing/TableReport.h"
#include "storage/ArchiveError.h"
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"

#include <QFileInfo>

namespace LessonRegister {

QString footnote()
{
    return QStringLiteral("Riepilogo interno dell'autoscuola: non sostituisce la certificazione ministeriale.");
}

std::optional<Student> studentAt(const QString &studentsPath, qint64 position)
{
    if (position < 1 || !QFileInfo(studentsPath).isFile())
        return std::nullopt;
    try {
        RecordFile file;
        file.OpenForReading(studentsPath, StudentRecord::Size);
        if (position > file.RecordCount())
            return std::nullopt;
        RecordBuffer record(StudentRecord::layout());
        file.SeekRecord(position - 1);
        file.ReadRecord(record);
        file.CloseRecordFile();
        using namespace StudentRecord;
        return Student{record.text(txtCognome), record.text(txtNome), record.text(txtCodFiscPro), record.text(txtFoglio),
                       record.text(txtCodiceCor)};
    } catch (const RecordFileError &) {
        return std::nullopt;
    }
}

Report::Document create(const Student &student, const QString &schoolCode, std::span<const Lessons::Lesson> lessons,
                        const Lessons::Keywords &keywords, const QDate &today)
{
    const auto orDash = [](const QString &text) { return text.isEmpty() ? QStringLiteral("-") : text; };
    TableReport::Table table;
    table.name = QStringLiteral("Registro delle esercitazioni di guida");
    table.title = QStringLiteral("Registro delle esercitazioni di guida");
    table.subtitles << QStringLiteral("Autoscuola: %1 - Allievo: %2 - Codice fiscale: %3")
                          .arg(orDash(schoolCode), orDash(QString(student.surname + u' ' + student.name).trimmed()), orDash(student.taxCode))
                   << QStringLiteral("Foglio rosa: %1 - Codice corso: %2 - Stampato il %3")
                          .arg(orDash(student.pinkSheet), orDash(student.course), today.toString(QStringLiteral("dd/MM/yyyy")));
    table.columns = {
        {QStringLiteral("N."), 8, Qt::AlignHCenter},
        {QStringLiteral("Data"), 18, Qt::AlignHCenter},
        {QStringLiteral("Inizio"), 12, Qt::AlignHCenter},
        {QStringLiteral("Fine"), 12, Qt::AlignHCenter},
        {QStringLiteral("Durata"), 18},
        {QStringLiteral("Tipo"), 19},
        {QStringLiteral("Modulo"), 38},
        {QStringLiteral("Istruttore"), 30},
        {QStringLiteral("Veicolo"), 26},
        {QStringLiteral("Targa"), 18},
        {QStringLiteral("Firma allievo"), 39},
        {QStringLiteral("Firma istruttore"), 39},
    };
    table.minRowMm = 9;
    int row = 0;
    for (const Lessons::Lesson &lesson : lessons) {
        const std::optional<int> minutes = Lessons::minutesOf(lesson);
        const Lessons::Kind kind = Lessons::kindOf(lesson.module, keywords);
        table.rows.push_back({QString::number(++row), lesson.date, lesson.start, lesson.end,
                             minutes ? Lessons::durationText(*minutes) : lesson.duration, Lessons::kindName(kind), lesson.module,
                             lesson.instructor, lesson.vehicle, lesson.plate, QString(), QString()});
    }
    const Lessons::Summary summary = Lessons::summarise(lessons, keywords);
    const auto part = [](const QString &name, int done) {
        return QStringLiteral("%1 %2 / %3").arg(name, Lessons::durationText(done), Lessons::durationText(Lessons::kMandatoryMinutes));
    };
    QString totals = QStringLiteral("Totale: %1 in %2 %3")
                         .arg(Lessons::durationText(summary.minutes))
                         .arg(summary.lessons)
                         .arg(summary.lessons == 1 ? QStringLiteral("lezione") : QStringLiteral("lezioni"));
    if (summary.unknown > 0)
        totals += QStringLiteral(" (%1 di durata non riconosciuta)").arg(summary.unknown);
    totals += QStringLiteral(". Guide obbligatorie: ") + part(QStringLiteral("notturna"), summary.night) + QStringLiteral("; ")
              + part(QStringLiteral("autostrada o extraurbana principale"), summary.motorway) + QStringLiteral("; ")
              + part(QStringLiteral("extraurbana o urbana di scorrimento"), summary.extraUrban) + QStringLiteral(".");
    if (summary.mandatoryDone())
        totals += QStringLiteral(" Guide obbligatorie completate.");
    table.footnote = totals + u'\n' + footnote();
    return TableReport::create(table);
}

} // namespace LessonRegister
