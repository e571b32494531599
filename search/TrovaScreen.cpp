#include "search/TrovaScreen.h"

#include "printing/PrintSeam.h"
#include "printing/SummaryList.h"
#include "shell/QuickFindBar.h"
#include "shell/Clock.h"
#include "shell/Dialogs.h"
#include "shell/FormatSettings.h"
#include "shell/LineList.h"
#include "storage/ArchiveError.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/TextField.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>

#include <vector>

using namespace ScreenKit;

namespace {

const QColor kDarkCyan(0x00, 0x8B, 0x8B);
const QColor kCrimson(0xDC, 0x14, 0x3C);

// The result panel: the list with quick find, and the count of the records found.
std::vector<ControlDef> resultPanel()
{
    std::vector<ControlDef> table = pickListControls(QStringLiteral(":/lists/trova_banner.svg"));
    table.push_back({.name = "lblTrovate", .kind = ControlKind::Label, .geometry = {177, 494, 480, 20}, .font = {"Verdana", 12, true},
                     .textColour = kDarkCyan});
    return table;
}

// The filter panel: fixed parts, then the ten fields from the screen's table.
std::vector<ControlDef> filterPanel(std::span<const TrovaScreen::FilterField> filters, std::span<const QRect> icons)
{
    static std::vector<QByteArray> names;
    names.clear();
    names.reserve(64);
    const auto keep = [](QByteArray name) {
        names.push_back(std::move(name));
        return names.back().constData();
    };
    std::vector<ControlDef> table = {
        {.name = "shpIntestazione", .kind = ControlKind::Box, .geometry = {8, 8, 817, 80}, .fill = Qt::white},
        {.name = "imgLogo", .kind = ControlKind::Picture, .geometry = {20, 18, 58, 55}, .picture = QStringLiteral(":/lists/trova_logo.svg")},
        {.name = "lblRigo04", .kind = ControlKind::Label, .geometry = {88, 18, 0, 0},
         .caption = QStringLiteral("Immettere nei campi prescelti una o pi\u00F9 parole consecutive presenti nelle schede da trovare e premere il pulsante Cerca."),
         .font = {"Verdana", 11}},
        {.name = "lblRigo05", .kind = ControlKind::Label, .geometry = {88, 38, 0, 0},
         .caption = QStringLiteral("Lasciare in bianco tutti gli altri campi."), .font = {"Verdana", 11}},
        {.name = "lblRigo06", .kind = ControlKind::Label, .geometry = {88, 58, 0, 0},
         .caption = QStringLiteral("Per ogni ricerca \u00E8 possibile utilizzare uno o pi\u00F9 campi contemporaneamente."), .font = {"Verdana", 11}},
        {.name = "shpCampi", .kind = ControlKind::Box, .geometry = {8, 96, 817, 382}, .fill = QColor(0xC0, 0xC0, 0xC0), .fillBottom = Qt::white},
        {.name = "shpColonna", .kind = ControlKind::Box, .geometry = {24, 112, 97, 349}, .fill = Qt::white},
    };
    for (std::size_t i = 0; i < icons.size(); ++i)
        table.push_back({.name = keep("icoRicerca0" + QByteArray::number(static_cast<int>(i) + 1)), .kind = ControlKind::Picture,
                         .geometry = icons[i], .picture = QStringLiteral(":/lists/icona_ricerca.svg")});
    for (std::size_t i = 0; i < filters.size(); ++i) {
        const TrovaScreen::FilterField &f = filters[i];
        const QByteArray field(f.field);
        const int x = f.position.x();
        const int y = f.position.y();
        // Enter in the last filter presses Cerca (below).
        const char *next = i + 1 < filters.size() ? filters[i + 1].field : "btnCerca";
        table.push_back({.name = f.caption, .kind = ControlKind::Label, .geometry = {x, y - 21, 0, 0}, .caption = f.text,
                         .font = {"Verdana", 12}});
        table.push_back({.name = keep("eff" + field.mid(3)), .kind = ControlKind::HighlightFrame, .geometry = {x - 4, y - 4, 328, 30}});
        table.push_back({.name = f.field, .kind = ControlKind::TextField, .geometry = {x, y, 320, 22}, .font = {"Verdana", 12, true},
                         .focus = FocusStyle::Frame, .next = next});
    }
    table.push_back({.name = "btnAnnulla", .kind = ControlKind::Button, .geometry = {8, 488, 150, 30}, .caption = QStringLiteral("Chiudi")});
    table.push_back({.name = "btnCerca", .kind = ControlKind::Button, .geometry = {675, 488, 150, 30}, .caption = QStringLiteral("Cerca")});
    table.push_back({.name = "lblAttendere", .kind = ControlKind::Label, .geometry = {177, 494, 0, 0},
                     .caption = QStringLiteral("Ricerca schede in corso. Attendere..."), .font = {"Verdana", 12, true},
                     .textColour = kDarkCyan, .visible = false});
    table.push_back({.name = "lblConta", .kind = ControlKind::Label, .geometry = {644, 494, 0, 0}, .caption = QStringLiteral("0"),
                     .visible = false});
    return table;
}

} // namespace

TrovaScreen::TrovaScreen(QWidget *parent, const Setup &setup)
    : Screen(parent, setup.caption, QSize(862, 560), QSize(833, 529), Qt::black, Qt::white, "panContainer")
    , m_setup(setup)
{
    makeFixedDialog();
    buildWhenNeeded([this] {
        // The result panel is panContainer; the filter panel panAvvio lies over it until the search.
        buildControls(resultPanel());
        Panel *filterPanelWidget = addPanel("panAvvio", QSize(833, 529));
        buildControls(filterPanel(m_setup.filters, m_setup.columnIcons), filterPanelWidget);
        memoryLabel()->setParent(filterPanelWidget);
        memoryLabel()->move(537, 493);
        panel()->hide();

        capture({{"lstRecords", &lstRecords}, {"lblAttendere", &lblAttendere}});
        for (const FilterField &f : m_setup.filters) {
            QLineEdit *field = nullptr;
            capture({{f.field, &field}});
            m_filterFields.push_back(field);
        }
        m_quickFind = new QuickFindBar(control<QLineEdit>("txtTrova"), control<QPushButton>("btnTrova"), lstRecords);
        connect(lstRecords, &LineListView::lineDoubleClicked, this, &TrovaScreen::lstRecordsDblClick);
        auto *cerca = control<QPushButton>("btnCerca");
        cerca->installEventFilter(this); // btnCercaMouseDown
        connect(cerca, &QPushButton::clicked, this, &TrovaScreen::btnCercaClick);
        // Enter in the last filter moves to Cerca and presses it, the wait line first
        // as under the mouse.
        connect(m_filterFields.back(), &QLineEdit::returnPressed, cerca, [this, cerca] {
            lblAttendere->show();
            lblAttendere->repaint();
            cerca->click();
        });
        connect(control<QPushButton>("btnAnnulla"), &QPushButton::clicked, this, &QDialog::reject);
        connect(control<QPushButton>("btnChiudi"), &QPushButton::clicked, this, &QDialog::reject);
        connect(control<QPushButton>("btnStampa"), &QPushButton::clicked, this, &TrovaScreen::btnStampaClick);
    });
    FormatSettings::apply();
}

bool TrovaScreen::eventFilter(QObject *watched, QEvent *event)
{
    // The wait line shows as soon as the mouse goes down on Cerca, before the search runs.
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        lblAttendere->show();
        lblAttendere->repaint();
    }
    return Screen::eventFilter(watched, event);
}

void TrovaScreen::showEvent(QShowEvent *event)
{
    Screen::showEvent(event);
    if (event->spontaneous())
        return;
    m_quickFind->reset();
    if (lstRecords->lineModel()->rowCount() > 0)
        lstRecords->selectRow(0);
    m_filterFields.front()->setFocus(Qt::OtherFocusReason);
}

void TrovaScreen::btnCercaClick()
{
    std::vector<Search::Filter> filters;
    for (std::size_t i = 0; i < m_setup.filters.size(); ++i)
        filters.push_back({m_filterFields[i]->text(), m_setup.layout->indexOf(m_setup.filters[i].field)});
    control<QLabel>("lblConta")->setText(QString::number(Search::activeFilters(filters).size()));
    lstRecords->lineModel()->clear();
    RecordLines found;
    bool complete = true;
    try {
        found = Search::runRecords(ProgramFolder::filePath(m_setup.archiveName), *m_setup.layout, filters, m_setup.line, &complete);
    } catch (const RecordFileError &e) {
        Dialogs::message(ArchiveAccessError(e.cause()));
        return;
    }
    const qsizetype count = found.lines.size();
    lstRecords->lineModel()->setLines(std::move(found));
    control<QLabel>("lblTrovate")->setText(QStringLiteral("Il presente riepilogo contiene ") + QString::number(count)
                                           + (count == 1 ? QStringLiteral(" scheda.") : QStringLiteral(" schede.")));
    panel()->show();
    control<QWidget>("panAvvio")->hide();
    control<QLineEdit>("txtTrova")->clear();
    control<QLineEdit>("txtTrova")->setFocus(Qt::OtherFocusReason);
    // The lines found before the archive ended early are shown, and the user is told.
    if (!complete)
        Dialogs::warning(incompleteListWarning());
}

void TrovaScreen::lstRecordsDblClick()
{
    // The picked line stands for the record it was made from, whatever other line reads the same.
    const qint64 position = lstRecords->selectedRecord();
    const bool handOver = m_setup.modes.contains(TextField::trimmedString(memory())) && m_pick;
    if (position > 0 && handOver) {
        try {
            Search::readRecordAt(ProgramFolder::filePath(m_setup.archiveName), *m_setup.layout, position, m_pick);
        } catch (const RecordFileError &) {
            // Closes without a message; what was handed over stays.
        }
    }
    accept();
}

void TrovaScreen::btnStampaClick()
{
    Report::ListDocument list = SummaryList::create(m_setup.printTitle, lstRecords->lineModel()->lines(), Clock::now().date());
    list.fileName = m_setup.printFileName;
    PrintSeam::print(list);
}

namespace {

const TrovaScreen::FilterField kStudentFilters[] = {
    {"txtCodiceCor", "lblCampo01", QStringLiteral("Codice corso:"), {144, 141}},
    {"txtTipologiaCor", "lblCampo02", QStringLiteral("Tipologia corso:"), {488, 141}},
    {"txtNumIsc", "lblCampo03", QStringLiteral("Numero iscrizione allievo:"), {144, 211}},
    {"txtResponsabile", "lblCampo04", QStringLiteral("Responsabile didattico:"), {488, 211}},
    {"txtCognome", "lblCampo05", QStringLiteral("Cognome allievo:"), {144, 281}},
    {"txtNome", "lblCampo06", QStringLiteral("Nome allievo:"), {488, 281}},
    {"txtCodFiscPro", "lblCampo07", QStringLiteral("Codice fiscale:"), {144, 351}},
    {"txtComuneResPro", "lblCampo08", QStringLiteral("Comune di residenza:"), {488, 351}},
    {"txtCatPat", "lblCampo09", QStringLiteral("Categoria patente:"), {144, 421}},
    {"txtNote", "lblCampo10", QStringLiteral("Note:"), {488, 421}},
};

const TrovaScreen::FilterField kFormFilters[] = {
    {"txtCognome", "lblCampo01", QStringLiteral("Cognome:"), {144, 141}},
    {"txtNome", "lblCampo02", QStringLiteral("Nome:"), {488, 141}},
    {"txtDataNascPro", "lblCampo03", QStringLiteral("Data di nascita (gg/mm/aaaa):"), {144, 211}},
    {"txtCodFiscPro", "lblCampo04", QStringLiteral("Codice fiscale:"), {488, 211}},
    {"txtComuneResPro", "lblCampo05", QStringLiteral("Comune di residenza:"), {144, 281}},
    {"txtPrescrizioni", "lblCampo06", QStringLiteral("Prescrizioni tecniche:"), {488, 281}},
    {"txtEstremiPat", "lblCampo07", QStringLiteral("Estremi patente posseduta:"), {144, 351}},
    {"txtTarga", "lblCampo08", QStringLiteral("Targa veicolo usato per esame:"), {488, 351}},
    {"txtData", "lblCampo09", QStringLiteral("Data compilazione (gg/mm/aaaa):"), {144, 421}},
    {"txtNote", "lblCampo10", QStringLiteral("Note:"), {488, 421}},
};

const QRect kStudentIcons[] = {{42, 130, 60, 60}, {42, 256, 60, 60}, {42, 382, 60, 60}};
const QRect kFormIcons[] = {{28, 125, 89, 85}, {28, 244, 89, 116}, {28, 394, 89, 55}};

} // namespace

TfrmTrovaAllievi::TfrmTrovaAllievi(QWidget *parent)
    : TrovaScreen(parent, {QStringLiteral(" Trova allievi in archivio"), QString::fromLatin1(StudentRecord::FileName),
                           &StudentRecord::layout(), kStudentFilters, &Search::studentSearchLine,
                           {QStringLiteral("allievi"), QStringLiteral("modello")}, kStudentIcons,
                           QStringLiteral("Riepilogo allievi in archivio"), QStringLiteral("Ricerca allievi")})
{
    setObjectName(QStringLiteral("frmTrovaAllievi"));
}

TfrmTrovaModelli::TfrmTrovaModelli(QWidget *parent)
    : TrovaScreen(parent, {QStringLiteral(" Trova Modelli TT 2112 in archivio"), QString::fromLatin1(TT2112Record::FileName),
                           &TT2112Record::layout(), kFormFilters, &Search::tt2112SearchLine, {QStringLiteral("modelli")},
                           kFormIcons, QStringLiteral("Riepilogo Modelli TT 2112 in archivio"),
                           QStringLiteral("Ricerca modelli TT 2112")})
{
    setObjectName(QStringLiteral("frmTrovaModelli"));
}
