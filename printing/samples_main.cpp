// Renders sample printed documents to PDF: the eight pages of a filled TT 2112
// form, the same form with every field typed to its maximum length, a student
// card (also filled to the maximum) and a two-page summary list.
//   volantix-samples FOLDER

#include "printing/StudentCard.h"
#include "printing/SummaryList.h"
#include "printing/TT2112Document.h"
#include "storage/Layouts.h"

#include <QDir>
#include <QGuiApplication>
#include <QHash>
#include <QPdfWriter>

#include <cstdio>

namespace {

const QHash<QString, QString> kForm = {
    {QStringLiteral("txtCodice"), QStringLiteral("BO0123")},
    {QStringLiteral("txtUfficio"), QStringLiteral("Bologna")},
    {QStringLiteral("txtCognome"), QStringLiteral("ROSSI")},
    {QStringLiteral("txtNome"), QStringLiteral("MARIA GRAZIA")},
    {QStringLiteral("txtSesso"), QStringLiteral("F")},
    {QStringLiteral("txtDataNascPro"), QStringLiteral("31/12/2001")},
    {QStringLiteral("txtLuogoNascPro"), QStringLiteral("SANT'AGATA DI MILITELLO")},
    {QStringLiteral("txtProvNascPro"), QStringLiteral("ME")},
    {QStringLiteral("txtCodFiscPro"), QStringLiteral("RSSMGR01T71I199Z")},
    {QStringLiteral("txtPrescrizioni"), QStringLiteral("01")},
    {QStringLiteral("txtStatoNascPro"), QStringLiteral("ITALIA")},
    {QStringLiteral("txtComuneResPro"), QStringLiteral("CASALECCHIO DI RENO")},
    {QStringLiteral("txtProvResPro"), QStringLiteral("BO")},
    {QStringLiteral("txtCapResPro"), QStringLiteral("40033")},
    {QStringLiteral("txtViaPro"), QStringLiteral("VIA GIUSEPPE GARIBALDI")},
    {QStringLiteral("txtNumPro"), QStringLiteral("12/B")},
    {QStringLiteral("txtCittadinanzaPro"), QStringLiteral("ITALIANA")},
    {QStringLiteral("txtConsegui"), QStringLiteral("B")},
    {QStringLiteral("txtPossedutaCon"), QStringLiteral("AM")},
    {QStringLiteral("txtDuplica"), QStringLiteral("A2")},
    {QStringLiteral("txtPossedutaDup"), QStringLiteral("AM")},
    {QStringLiteral("txtRiclassifica"), QStringLiteral("A")},
    {QStringLiteral("txtPossedutaRic"), QStringLiteral("A2")},
    {QStringLiteral("txtEstremiPat"), QStringLiteral("U1A234567B del 03/04/2019")},
    {QStringLiteral("txtPreGuida"), QStringLiteral("Obbligo di lenti correttive")},
    {QStringLiteral("txtData"), QStringLiteral("07/03/2025")},
    {QStringLiteral("txtNote"), QStringLiteral("Recapito telefonico 333 1234567, e-mail maria.rossi@example.it. La candidata chiede "
                                               "di sostenere l'esame di guida nella sessione del mattino, se possibile.")},
    {QStringLiteral("txtTarga"), QStringLiteral("AB123CD")},
    {QStringLiteral("txtPotenza"), QStringLiteral("51")},
    {QStringLiteral("txtCambio"), QStringLiteral("MANUALE")},
    {QStringLiteral("txtCilindrata"), QStringLiteral("1242")},
};

// `seed` repeated, a blank between the copies, up to `length` characters (and no
// blank at the end, which the form would trim away).
QString filledTo(const QString &seed, int length)
{
    QString text = seed;
    while (text.size() < length)
        text += QLatin1Char(' ') + seed;
    text.truncate(length);
    if (text.endsWith(QLatin1Char(' ')))
        text.back() = QLatin1Char('W');
    return text;
}

// Every text field of `layout` typed to its maximum length, from the sample's value.
QHash<QString, QString> filledToTheMaximum(const RecordLayout &layout)
{
    QHash<QString, QString> values;
    for (const FieldDef &field : layout.fields) {
        const QString name = QString::fromLatin1(field.name.data(), static_cast<qsizetype>(field.name.size()));
        const QString seed = kForm.value(name, QStringLiteral("MW"));
        values.insert(name, filledTo(seed.isEmpty() ? QStringLiteral("MW") : seed, field.maxLength));
    }
    values.insert(QStringLiteral("txtEstremiPat"),
                  filledTo(QStringLiteral("AM n. U1A234567B rilasciata il 10/04/2021 MIT-UCO"), 250));
    return values;
}

bool writeDocument(const Report::Document &document, const QString &path)
{
    QPdfWriter writer(path);
    writer.setResolution(600);
    writer.setTitle(document.name());
    return document.print(writer) && QFileInfo::exists(path);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2) {
        std::fputs("usage: volantix-samples FOLDER\n", stderr);
        return 2;
    }
    const QDir folder(args.at(1));
    if (!QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "volantix-samples: cannot create %s\n", qPrintable(folder.path()));
        return 2;
    }

    Report::Document form = TT2112Document::create();
    TT2112Document::fill(form, {[](const char *field) { return kForm.value(QLatin1String(field)); },
                                [](const char *box) {
                                    return qstrcmp(box, "chkConseguimento") == 0 || qstrcmp(box, "chkTariffa01") == 0
                                        || qstrcmp(box, "chkDuplicato") == 0;
                                }});
    const QHash<QString, QString> fullForm = filledToTheMaximum(TT2112Record::layout());
    Report::Document full = TT2112Document::create();
    TT2112Document::fill(full, {[&](const char *field) { return fullForm.value(QLatin1String(field)); },
                                [](const char *) { return true; }});
    const QHash<QString, QString> fullCard = filledToTheMaximum(StudentRecord::layout());
    Report::Document fullStudent = StudentCard::create();
    StudentCard::fill(fullStudent, [&](const char *field) { return fullCard.value(QLatin1String(field)); },
                      QDateTime(QDate(2025, 3, 7), QTime(9, 8, 7)));
    Report::Document card = StudentCard::create();
    StudentCard::fill(card, [](const char *field) { return kForm.value(QLatin1String(field)); },
                      QDateTime(QDate(2025, 3, 7), QTime(9, 8, 7)));
    QStringList lines;
    for (int i = 1; i <= 70; ++i)
        lines << QStringLiteral("Allievo%1 Nome%1").arg(i, 3, 10, QLatin1Char('0')).leftJustified(28)
                     + QStringLiteral("  Isc. n. %1").arg(i).leftJustified(24) + QStringLiteral("  Data: 07/01/2025  Tel. 333 1234567");
    // A line wider than the page: drawn smaller, then cut.
    lines[4] += QStringLiteral("  Note: ") + filledTo(QStringLiteral("recapito presso lo studio del padre"), 140);
    lines[5] += QStringLiteral("  Note: ") + filledTo(QStringLiteral("recapito presso lo studio del padre"), 400);
    const Report::ListDocument list = SummaryList::create(QStringLiteral("Riepilogo allievi in archivio"), lines, QDate(2025, 3, 7));

    bool ok = writeDocument(form, folder.filePath(QStringLiteral("modello_tt2112.pdf")));
    ok = writeDocument(full, folder.filePath(QStringLiteral("modello_tt2112_pieno.pdf"))) && ok;
    ok = writeDocument(card, folder.filePath(QStringLiteral("scheda_allievo.pdf"))) && ok;
    ok = writeDocument(fullStudent, folder.filePath(QStringLiteral("scheda_allievo_piena.pdf"))) && ok;
    QPdfWriter writer(folder.filePath(QStringLiteral("riepilogo.pdf")));
    writer.setResolution(600);
    ok = list.print(writer).pages >= 2 && ok;
    return ok ? 0 : 1;
}
