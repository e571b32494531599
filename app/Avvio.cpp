#include "app/Avvio.h"

#include "calendar/Deadlines.h"
#include "shell/Clock.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"

#include <QLabel>
#include <QShowEvent>
#include <QTimer>

#include "shell/FormatSettings.h"
#include "shell/HelpTopics.h"
#include "shell/OpenURL.h"

#include <QApplication>
#include <QCloseEvent>

using namespace ScreenKit;

namespace {

const ControlDef kControls[] = {
    {.name = "shpSfondo", .kind = ControlKind::Box, .geometry = {4, 4, 986, 684}, .fill = Qt::white},
    {.name = "imgInfo", .kind = ControlKind::PictureButton, .geometry = {14, 14, 30, 30}, .picture = QStringLiteral(":/avvio/info.svg")},
    {.name = "icoLogo", .kind = ControlKind::Picture, .geometry = {74, 14, 95, 92}, .picture = QStringLiteral(":/avvio/logo.svg")},
    {.name = "icoNome", .kind = ControlKind::Picture, .geometry = {180, 26, 740, 75}, .picture = QStringLiteral(":/avvio/nome.svg")},
    {.name = "imgGuida", .kind = ControlKind::PictureButton, .geometry = {952, 16, 29, 28}, .picture = QStringLiteral(":/avvio/guida.svg")},
    {.name = "imgSottotitolo", .kind = ControlKind::Picture, .geometry = {17, 112, 961, 22}, .picture = QStringLiteral(":/avvio/sottotitolo.svg")},
    {.name = "imgAnagrafica", .kind = ControlKind::PictureButton, .geometry = {74, 171, 348, 338}, .picture = QStringLiteral(":/avvio/anagrafica.svg")},
    {.name = "imgModello", .kind = ControlKind::PictureButton, .geometry = {570, 172, 348, 337}, .picture = QStringLiteral(":/avvio/modello.svg")},
    {.name = "btnAnagrafica", .kind = ControlKind::PictureButton, .geometry = {26, 520, 442, 79}, .picture = QStringLiteral(":/avvio/btn_anagrafica.svg")},
    {.name = "btnModello", .kind = ControlKind::PictureButton, .geometry = {522, 520, 442, 79}, .picture = QStringLiteral(":/avvio/btn_modello.svg")},
    {.name = "imgScadenze", .kind = ControlKind::PictureButton, .geometry = {422, 222, 148, 150}, .picture = QStringLiteral(":/avvio/scadenze.svg"),
     .hint = QStringLiteral("Visualizza le scadenze degli allievi.")},
    {.name = "lblScadenze", .kind = ControlKind::Label, .geometry = {422, 378, 148, 40}, .font = {"Verdana", 11, true},
     .textColour = QColor(0xD7, 0x26, 0x3D), .alignment = Qt::AlignHCenter | Qt::AlignTop, .wordWrap = true},
    {.name = "imgOreGuida", .kind = ControlKind::PictureButton, .geometry = {422, 426, 148, 34},
     .picture = QStringLiteral(":/avvio/ore_guida.svg"),
     .hint = QStringLiteral("Visualizza le ore di guida di ogni istruttore e di ogni veicolo.")},
    {.name = "imgCopia", .kind = ControlKind::PictureButton, .geometry = {422, 470, 148, 34},
     .picture = QStringLiteral(":/avvio/copia.svg"),
     .hint = QStringLiteral("Copia di sicurezza dei dati e ripristino.")},
    {.name = "imgSito", .kind = ControlKind::PictureButton, .geometry = {17, 628, 961, 22}, .picture = QStringLiteral(":/avvio/sito.svg")},
    {.name = "imgCopyright", .kind = ControlKind::PictureButton, .geometry = {16, 660, 23, 22}, .picture = QStringLiteral(":/avvio/copyright.svg")},
    {.name = "imgEsci", .kind = ControlKind::PictureButton, .geometry = {960, 662, 17, 18}, .picture = QStringLiteral(":/avvio/esci.svg")},
};

} // namespace

TfrmAvvio::TfrmAvvio(QWidget *parent)
    : Screen(parent, QStringLiteral(" Volantix"), QSize(1016, 713), QSize(995, 692), argb(0xFF6792B7))
{
    setObjectName(QStringLiteral("frmAvvio"));
    buildControls(kControls);

    connectPictureButtons<TfrmAvvio>({
        {"imgInfo", &TfrmAvvio::imgInfoClick},
        {"imgGuida", &TfrmAvvio::imgGuidaClick},
        {"imgAnagrafica", &TfrmAvvio::imgAnagraficaClick},
        {"btnAnagrafica", &TfrmAvvio::imgAnagraficaClick},
        {"imgModello", &TfrmAvvio::imgModelloClick},
        {"btnModello", &TfrmAvvio::imgModelloClick},
        {"imgSito", &TfrmAvvio::imgSitoClick},
        {"imgCopyright", &TfrmAvvio::imgCopyrightClick},
        {"imgEsci", &TfrmAvvio::imgEsciClick},
        {"imgScadenze", &TfrmAvvio::imgScadenzeClick},
        {"imgOreGuida", &TfrmAvvio::oreGuidaRequested},
        {"imgCopia", &TfrmAvvio::copiaRequested},
    });
    capture({{"lblScadenze", &m_lblScadenze}});

    FormCreate();
}

void TfrmAvvio::FormCreate()
{
    FormatSettings::apply();
}

void TfrmAvvio::imgModelloClick()
{
    emit modelloRequested();
}

void TfrmAvvio::imgAnagraficaClick()
{
    emit anagraficaRequested();
}

void TfrmAvvio::imgInfoClick()
{
    emit infoRequested();
}

void TfrmAvvio::imgGuidaClick()
{
    emit guidaRequested();
}

void TfrmAvvio::imgCopyrightClick()
{
    emit copyrightRequested();
}

void TfrmAvvio::imgSitoClick()
{
    TMisc::Open(HelpTopics::webSiteAddress());
}

void TfrmAvvio::imgEsciClick()
{
    emit closing();
    QApplication::quit();
}

void TfrmAvvio::imgScadenzeClick()
{
    emit scadenzeRequested();
}

TfrmAvvio::~TfrmAvvio()
{
    if (m_counter)
        m_counter->wait();
}

void TfrmAvvio::showEvent(QShowEvent *event)
{
    Screen::showEvent(event);
    // After the screen is on view: the count never delays it.
    if (!event->spontaneous())
        QTimer::singleShot(0, this, &TfrmAvvio::countDeadlines);
}

void TfrmAvvio::countDeadlines()
{
    if (m_counter && m_counter->isRunning()) {
        m_countAgain = true;
        return;
    }
    if (m_counter)
        m_counter->wait();
    const QString students = ProgramFolder::filePath(QString::fromLatin1(StudentRecord::FileName));
    const QString forms = ProgramFolder::filePath(QString::fromLatin1(TT2112Record::FileName));
    const QDate today = Clock::now().date();
    m_counter.reset(QThread::create([this, students, forms, today] {
        const int urgent = Deadlines::urgentCount(Deadlines::collect(students, forms, {today, 15}));
        // Dropped if the screen is gone by then.
        QMetaObject::invokeMethod(this, [this, urgent] { showDeadlineCount(urgent); }, Qt::QueuedConnection);
    }));
    m_counter->start(QThread::LowPriority);
}

void TfrmAvvio::showDeadlineCount(int urgent)
{
    if (std::exchange(m_countAgain, false)) {
        countDeadlines();
        return;
    }
    m_lblScadenze->setText(Deadlines::urgentSummary(urgent));
    emit deadlinesCounted(urgent);
}

void TfrmAvvio::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit closing();
    QApplication::quit();
}
