#include "shell/HelpScreens.h"

#include "shell/OpenURL.h"
#include "storage/ProgramFolder.h"

#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace ScreenKit;

namespace {

const QColor kLinkBlue = argb(0xFF00008B);
const QColor kLinkPressed = argb(0xFFFFA500);

LinkLabel *addLink(Screen &screen, const QString &text, QPoint at, QWidget *picture)
{
    auto *link = new LinkLabel(text, screen.panel());
    link->setObjectName(QStringLiteral("lnkWeb"));
    link->move(at);
    link->adjustSize();
    if (picture != nullptr)
        link->addPicture(picture);
    return link;
}

QString prescriptionsHtml()
{
    QString html = QStringLiteral("<div style='font-family:Verdana; font-size:12px; color:#1F3A5F'><p>")
        + HelpTopics::prescriptionsIntro().toHtmlEscaped() + QStringLiteral("</p><table cellspacing='0' cellpadding='3' border='1' "
                                                                             "style='border-color:#9FB6CD; border-collapse:collapse'>"
                                                                             "<tr style='background:#DCE6F0'><th>Lettera</th><th>Numero</th>"
                                                                             "<th align='left'>Significato</th></tr>");
    for (const HelpTopics::PrescriptionCode &code : HelpTopics::prescriptionCodes())
        html += QStringLiteral("<tr><td align='center'><b>") + code.letter.toHtmlEscaped() + QStringLiteral("</b></td><td align='center'>")
            + code.number.toHtmlEscaped() + QStringLiteral("</td><td>") + code.meaning.toHtmlEscaped() + QStringLiteral("</td></tr>");
    return html + QStringLiteral("</table><p>") + HelpTopics::prescriptionsClosing().toHtmlEscaped() + QStringLiteral("</p></div>");
}

} // namespace

LinkLabel::LinkLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(14);
    font.setUnderline(true);
    setFont(font);
    setCursor(Qt::PointingHandCursor);
    setColour(kLinkBlue);
    installEventFilter(this);
}

void LinkLabel::addPicture(QWidget *picture)
{
    picture->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    picture->setCursor(Qt::PointingHandCursor);
    picture->installEventFilter(this);
}

void LinkLabel::setColour(QColor colour)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}

bool LinkLabel::eventFilter(QObject *watched, QEvent *event)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    if (widget == nullptr)
        return false;
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        setColour(kLinkPressed); // lnkWebMouseDown
        m_pressed = true;
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        setColour(kLinkBlue); // lnkWebMouseUp
        const bool inside = widget->rect().contains(static_cast<QMouseEvent *>(event)->position().toPoint());
        if (m_pressed && inside)
            emit clicked();
        m_pressed = false;
        return true;
    }
    return false;
}

TfrmGuida::TfrmGuida(QWidget *parent)
    : Screen(parent, QStringLiteral(" Guida all'utilizzo del software"), QSize(670, 572), QSize(642, 540), Qt::white, argb(0xFFBFD8EF))
{
    setObjectName(QStringLiteral("frmGuida"));
    makeFixedDialog();
    buildWhenNeeded([this] {
        const ControlDef controls[] = {
            {.name = "shpSfondo", .kind = ControlKind::Box, .geometry = {8, 8, 625, 89}, .fill = Qt::white, .frame = QColor(0xF5, 0xDE, 0xB3)},
            {.name = "imgLogo", .kind = ControlKind::Picture, .geometry = {24, 16, 587, 69}, .picture = QStringLiteral(":/info/guida_banner.svg")},
            {.name = "lblTitolo", .kind = ControlKind::Label, .geometry = {8, 104, 625, 22}, .caption = QStringLiteral("Argomento della guida."),
             .font = {"Arial", 16, true}, .textColour = QColor(0xDC, 0x14, 0x3C)},
            {.name = "btnChiudi", .kind = ControlKind::Button, .geometry = {472, 490, 161, 38}, .caption = QStringLiteral("Chiudi")},
            {.name = "imgPDF", .kind = ControlKind::Picture, .geometry = {8, 496, 27, 27}, .picture = QStringLiteral(":/info/pdf.svg")},
        };
        buildControls(controls);
        auto *text = new QPlainTextEdit(panel());
        text->setObjectName(QStringLiteral("txtGuida"));
        text->setGeometry(8, 128, 625, 350);
        text->setReadOnly(true);
        text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        QFont font(QStringLiteral("Verdana"));
        font.setPixelSize(12);
        font.setBold(true);
        text->setFont(font);
        LinkLabel *link = addLink(*this, QStringLiteral("Visualizza guida in formato PDF"), {44, 500}, control("imgPDF"));
        connect(link, &LinkLabel::clicked, this, &TfrmGuida::lnkWebClick);
        connect(control<QPushButton>("btnChiudi"), &QPushButton::clicked, this, &QDialog::accept);
    });
}

void TfrmGuida::showTopic(HelpTopics::Topic topic)
{
    control<QLabel>("lblTitolo")->setText(HelpTopics::title(topic));
    control<QPlainTextEdit>("txtGuida")->setPlainText(HelpTopics::body(topic));
}

void TfrmGuida::lnkWebClick()
{
    TMisc::Open(QStringLiteral("\"") + ProgramFolder::filePath(QStringLiteral("Guida.pdf")) + QStringLiteral("\""));
}

TfrmIstruzioni::TfrmIstruzioni(QWidget *parent)
    : Screen(parent, QStringLiteral(" Informazioni su prescrizioni tecniche"), QSize(589, 528), QSize(589, 528), Qt::black)
{
    setObjectName(QStringLiteral("frmIstruzioni"));
    makeFixedDialog();
    buildWhenNeeded([this] {
        const ControlDef controls[] = {
            {.name = "shpSfondo", .kind = ControlKind::Box, .geometry = {20, 20, 546, 450}, .fill = Qt::white},
            {.name = "imgTesto", .kind = ControlKind::Label, .geometry = {28, 28, 530, 434}, .caption = prescriptionsHtml(),
             .alignment = Qt::AlignLeft | Qt::AlignTop, .wordWrap = true},
            {.name = "btnChiudi", .kind = ControlKind::Button, .geometry = {213, 486, 161, 30}, .caption = QStringLiteral("Chiudi")},
        };
        buildControls(controls);
        connect(control<QPushButton>("btnChiudi"), &QPushButton::clicked, this, &QDialog::accept);
    });
}

QString TfrmInfo::makerEmail()
{
    return QStringLiteral("info@volantix.it");
}

TfrmInfo::TfrmInfo(QWidget *parent)
    : Screen(parent, QStringLiteral(" Informazioni su Volantix"), QSize(473, 579), QSize(473, 579), Qt::black)
{
    setObjectName(QStringLiteral("frmInfo"));
    makeFixedDialog();
    buildWhenNeeded([this] {
        const QString about = QStringLiteral(
            "<div style='font-family:Verdana; color:#1F3A5F'><p style='font-size:16px'><b>Volantix</b> &mdash; versione 1.0</p>"
            "<p style='font-size:12px'>Gestionale per autoscuole: anagrafica degli allievi con le lezioni di guida e i documenti "
            "allegati, compilazione, stampa e archiviazione del modello TT 2112, ricerche, riepiloghi ed esportazione in Microsoft Excel.</p>"
            "<p style='font-size:12px'>Tutti i dati sono conservati nella cartella del programma: per una copia di sicurezza basta "
            "copiare la cartella su un altro disco o su una chiavetta USB.</p>"
            "<p style='font-size:12px'>Per informazioni e assistenza scrivere all'indirizzo indicato qui sotto.</p>"
            "<p style='font-size:11px; color:#555555'>&copy; 2026 Volantix. Tutti i diritti riservati.</p></div>");
        const ControlDef controls[] = {
            {.name = "shpPannello", .kind = ControlKind::Box, .geometry = {15, 15, 442, 490}, .fill = QColor(0xF4, 0xF6, 0xF9)},
            {.name = "shpSfondo", .kind = ControlKind::Box, .geometry = {23, 23, 425, 72}, .fill = Qt::white},
            {.name = "imgLogo", .kind = ControlKind::Picture, .geometry = {39, 31, 392, 54}, .picture = QStringLiteral(":/info/info_banner.svg")},
            {.name = "lblInfo", .kind = ControlKind::Label, .geometry = {31, 107, 409, 390}, .caption = about,
             .alignment = Qt::AlignLeft | Qt::AlignTop, .wordWrap = true},
            {.name = "btnChiudi", .kind = ControlKind::Button, .geometry = {295, 519, 161, 41}, .caption = QStringLiteral("Chiudi"),
             .font = {"Verdana", 12}},
            {.name = "imgEmail", .kind = ControlKind::Picture, .geometry = {15, 531, 23, 16}, .picture = QStringLiteral(":/info/email.svg")},
        };
        buildControls(controls);
        LinkLabel *link = addLink(*this, makerEmail(), {46, 528}, control("imgEmail"));
        connect(link, &LinkLabel::clicked, this, &TfrmInfo::lnkWebClick);
        connect(control<QPushButton>("btnChiudi"), &QPushButton::clicked, this, &QDialog::accept);
    });
}

void TfrmInfo::lnkWebClick()
{
    TMisc::Open(QStringLiteral("\"mailto:") + makerEmail()
                + QStringLiteral("?subject=Software Volantix&body=Salve, desidererei avere le seguenti informazioni sul software in "
                                 "oggetto:\""));
}

TfrmSplash::TfrmSplash(QWidget *parent)
    : Screen(parent, QStringLiteral(" Crediti"), QSize(661, 467), QSize(642, 448), Qt::white, argb(0xFF352525))
{
    setObjectName(QStringLiteral("frmSplash"));
    makeFixedDialog();
    buildWhenNeeded([this] {
        const ControlDef controls[] = {
            {.name = "imgCrediti", .kind = ControlKind::Picture, .geometry = {8, 8, 625, 380}, .picture = QStringLiteral(":/info/crediti.svg")},
            {.name = "imgWeb", .kind = ControlKind::Picture, .geometry = {8, 400, 39, 36}, .picture = QStringLiteral(":/info/web.svg")},
            {.name = "btnChiudi", .kind = ControlKind::Button, .geometry = {473, 402, 160, 34}, .caption = QStringLiteral("Chiudi")},
        };
        buildControls(controls);
        LinkLabel *link = addLink(*this, QStringLiteral("www.volantix.it"), {54, 409}, control("imgWeb"));
        connect(link, &LinkLabel::clicked, this, &TfrmSplash::lnkWebClick);
        connect(control<QPushButton>("btnChiudi"), &QPushButton::clicked, this, &QDialog::accept);
    });
}

void TfrmSplash::lnkWebClick()
{
    TMisc::Open(HelpTopics::webSiteAddress());
}

void showHelp(QWidget *caller, HelpTopics::Topic topic)
{
    ScreenKit::openOnDemand<TfrmGuida>(caller, QString(), [topic](TfrmGuida &page) { page.showTopic(topic); });
}
