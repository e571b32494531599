#include "printing/PrintScreens.h"

#include "printing/PrintSeam.h"
#include "printing/StudentCard.h"
#include "printing/TT2112Document.h"
#include "shell/Clock.h"
#include "shell/FormatSettings.h"

#include <QLabel>
#include <QPushButton>

using namespace ScreenKit;

namespace {

QString headingHtml(const QString &heading, const QString &description)
{
    return QStringLiteral("<div style='font-family:Verdana; color:#1F3A5F'><b style='font-size:15px'>") + heading.toHtmlEscaped()
        + QStringLiteral("</b><br><span style='font-size:11px'>") + description.toHtmlEscaped() + QStringLiteral("</span></div>");
}

} // namespace

PrintScreen::PrintScreen(QWidget *parent, const Setup &setup)
    : Screen(parent, setup.caption, QSize(364, 287), QSize(364, 287), argb(0xFF7494B3))
{
    makeFixedDialog();
    buildWhenNeeded([this, setup] {
        const ControlDef controls[] = {
            {.name = "shpSfondo", .kind = ControlKind::Box, .geometry = {18, 18, 326, 215}, .fill = Qt::white, .frame = Qt::white},
            {.name = "icoInf01", .kind = ControlKind::Label, .geometry = setup.headingGeometry,
             .caption = headingHtml(setup.heading, setup.description), .wordWrap = true},
            {.name = "imgLogo01", .kind = ControlKind::Picture, .geometry = {282, 31, 51, 81}, .picture = QStringLiteral(":/print/figura.svg")},
            {.name = "shpSepara", .kind = ControlKind::Box, .geometry = {26, 120, 311, setup.gradientSeparator ? 6 : 4},
             .fill = setup.gradientSeparator ? argb(0xFF4682B4) : argb(0xFF427AA8),
             .fillBottom = setup.gradientSeparator ? QColor(Qt::white) : QColor(), .frame = Qt::white},
            {.name = "icoInf02", .kind = ControlKind::Label, .geometry = setup.instructionGeometry, .caption = setup.instruction,
             .font = {"Verdana", 11}, .textColour = argb(0xFF1F3A5F), .wordWrap = true},
            {.name = "imgSezione04", .kind = ControlKind::Picture, .geometry = setup.iconGeometry, .picture = setup.icon},
            {.name = "lblAttendere", .kind = ControlKind::Label, .geometry = setup.waitGeometry,
             .caption = QStringLiteral("<i>Elaborazione in corso. Attendere..</i>"), .font = {"Verdana", 11}, .textColour = Qt::red,
             .visible = false},
            {.name = "btnAnnulla", .kind = ControlKind::Button, .geometry = {18, 243, 137, 28}, .caption = QStringLiteral("Annulla"),
             .font = {"Verdana", 12}},
            {.name = "btnStampa", .kind = ControlKind::Button, .geometry = {208, 243, 137, 28}, .caption = setup.button,
             .font = {"Verdana", 12}},
        };
        buildControls(controls);
        connect(control<QPushButton>("btnAnnulla"), &QPushButton::clicked, this, &PrintScreen::btnAnnullaClick);
        connect(control<QPushButton>("btnStampa"), &QPushButton::clicked, this, &PrintScreen::btnStampaClick);
    });
    FormatSettings::apply();
}

void PrintScreen::setSource(TextSource text, CheckSource ticked)
{
    m_text = std::move(text);
    m_ticked = std::move(ticked);
}

void PrintScreen::btnStampaClick()
{
    auto *wait = control<QLabel>("lblAttendere");
    wait->show();
    wait->repaint(); // seen before the layout work starts
    const Report::Document document = prepare();
    wait->hide(); // not left up behind the print dialog or the preview
    deliver(document);
    accept();
}

void PrintScreen::deliver(const Report::Document &document)
{
    if (PrintSeam::print(document))
        emit printed(document);
}

void PrintScreen::btnAnnullaClick()
{
    reject();
}

namespace {

const QString kPrintHeading = QStringLiteral("Stampa scheda");
const QString kPrintDescription =
    QStringLiteral("Questa operazione provveder\u00E0 a stampare la scheda corrente su carta con i dati immessi dall'utente.");
const QString kPrintInstruction =
    QStringLiteral("Premere il pulsante Stampa per dare avvio alla stampa oppure premere Annulla per annullare l'operazione.");

TT2112Document::Source sourceOf(const PrintScreen::TextSource &text, const PrintScreen::CheckSource &ticked)
{
    return {text ? text : [](const char *) { return QString(); }, ticked ? ticked : [](const char *) { return false; }};
}

// "what - Surname Name" from the calling screen's txtCognome and txtNome.
QString printNameOf(const QString &what, const PrintScreen::TextSource &text)
{
    return text ? PrintSeam::printName(what, text("txtCognome"), text("txtNome")) : what;
}

const QString kFormPrint = QStringLiteral("Modello TT 2112");

} // namespace

TfrmStampa_Modello::TfrmStampa_Modello(QWidget *parent)
    : PrintScreen(parent, {QStringLiteral(" Stampa Modello TT 2112"), kPrintHeading, kPrintDescription, kPrintInstruction,
                           QStringLiteral(":/print/stampante.svg"), QStringLiteral("Stampa"), {28, 28, 240, 83},
                           {122, 134, 206, 71}, {30, 142, 82, 72}, {124, 210, 196, 13}, false})
{
    setObjectName(QStringLiteral("frmStampa_Modello"));
}

Report::Document TfrmStampa_Modello::prepare()
{
    Report::Document document = TT2112Document::create();
    TT2112Document::fill(document, sourceOf(m_text, m_ticked));
    document.setFileName(printNameOf(kFormPrint, m_text));
    return document;
}

TfrmAnteprima_Modello::TfrmAnteprima_Modello(QWidget *parent)
    : PrintScreen(parent, {QStringLiteral(" Anteprima di stampa"), QStringLiteral("Anteprima di stampa"),
                           QStringLiteral("Questa operazione consente di visualizzare in anteprima i dati che appariranno in stampa."),
                           QStringLiteral("Fare clic su Mostra anteprima per visualizzare il documento sullo schermo prima di "
                                          "eseguire la stampa su carta."),
                           QStringLiteral(":/print/anteprima.svg"), QStringLiteral("Mostra anteprima"), {28, 30, 225, 83},
                           {112, 138, 209, 67}, {30, 144, 66, 69}, {112, 210, 196, 13}, true})
{
    setObjectName(QStringLiteral("frmAnteprima_Modello"));
}

Report::Document TfrmAnteprima_Modello::prepare()
{
    Report::Document document = TT2112Document::create();
    TT2112Document::fill(document, sourceOf(m_text, m_ticked));
    document.setFileName(printNameOf(kFormPrint, m_text));
    return document;
}

void TfrmAnteprima_Modello::deliver(const Report::Document &document)
{
    PrintSeam::preview(document);
}

TfrmStampaAllievo::TfrmStampaAllievo(QWidget *parent)
    : PrintScreen(parent, {QStringLiteral(" Stampa scheda"), kPrintHeading, kPrintDescription, kPrintInstruction,
                           QStringLiteral(":/print/stampante.svg"), QStringLiteral("Stampa"), {28, 28, 240, 83},
                           {122, 142, 206, 71}, {30, 142, 82, 72}, {124, 214, 196, 13}, false})
{
    setObjectName(QStringLiteral("frmStampaAllievo"));
}

Report::Document TfrmStampaAllievo::prepare()
{
    Report::Document card = StudentCard::create();
    StudentCard::fill(card, m_text ? m_text : [](const char *) { return QString(); }, Clock::now());
    card.setFileName(printNameOf(QStringLiteral("Scheda allievo"), m_text));
    return card;
}
