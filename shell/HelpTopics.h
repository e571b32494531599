#pragma once

#include <QString>
#include <QStringList>

// The fixed texts of the help pages and of the technical prescriptions page.
namespace HelpTopics {

// S: start screen; A: Gestione Modello TT 2112; B: Anagrafica Allievi;
// C: export of the TT 2112 archive; D: export of the student archive.
enum class Topic { S, A, B, C, D };

QString title(Topic topic);          // shown in the page's title label
QStringList paragraphs(Topic topic); // in reading order
// The paragraphs joined by "\r\n\r\n", with nothing before the first or after the last.
QString body(Topic topic);

// The technical prescriptions page: opening paragraph, table rows (letter, number, meaning),
// closing paragraph.
struct PrescriptionCode
{
    QString letter;
    QString number; // empty for N
    QString meaning;
};

QString prescriptionsIntro();
QList<PrescriptionCode> prescriptionCodes();
QString prescriptionsClosing();

// The program's web site, opened from the start screen and the information page.
QString webSiteAddress();

} // namespace HelpTopics
