#include "shell/QuickFindBar.h"

#include "shell/Dialogs.h"
#include "shell/LineList.h"
#include "shell/ScreenKit.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {

// The screen a control stands on, if it is one of the kit's.
ScreenKit::Screen *screenOf(QWidget *control)
{
    return qobject_cast<ScreenKit::Screen *>(control->window());
}

// The bar's own outcome line: small, crimson, right under the find field.
QLabel *makeOutcomeLine(QLineEdit *field)
{
    auto *label = new QLabel(field->parentWidget());
    label->setObjectName(QStringLiteral("lblEsitoTrova"));
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(11);
    font.setBold(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0xDC, 0x14, 0x3C));
    label->setPalette(palette);
    label->setGeometry(field->x(), field->geometry().bottom() + 1, field->width(), 15);
    label->hide();
    return label;
}

} // namespace

QuickFindBar::QuickFindBar(QLineEdit *txtTrova, QPushButton *btnTrova, LineListView *list)
    : QObject(txtTrova)
    , m_field(txtTrova)
    , m_list(list)
{
    const ScreenKit::Screen *screen = screenOf(txtTrova);
    QLabel *status = screen != nullptr ? screen->statusLine() : nullptr;
    m_ownLine = status == nullptr;
    m_outcome = m_ownLine ? makeOutcomeLine(txtTrova) : status;
    // Enter in the field finds, as Trova does: the first line that holds the
    // fragment, then, again, the next.
    connect(txtTrova, &QLineEdit::returnPressed, this, &QuickFindBar::btnTrovaClick);
    connect(btnTrova, &QPushButton::clicked, this, &QuickFindBar::btnTrovaClick);
    // A new fragment is not yet looked for.
    connect(txtTrova, &QLineEdit::textEdited, this, [this] { tell(QString()); });
}

QString QuickFindBar::noMatchText()
{
    return QStringLiteral("Nessuna corrispondenza");
}

void QuickFindBar::reset()
{
    m_state = {};
    m_field->clear();
    tell(QString());
}

void QuickFindBar::tell(const QString &text)
{
    // A status line shared with the screen's hints is emptied only of the bar's own words.
    if (text.isEmpty() && (!m_told || m_outcome->text() != noMatchText())) {
        m_told = false;
        return;
    }
    m_told = !text.isEmpty();
    m_outcome->setText(text);
    if (m_ownLine)
        m_outcome->setVisible(m_told);
}

void QuickFindBar::btnTrovaClick()
{
    const QuickFind::Result result = QuickFind::find(m_list->lineModel()->store(), m_list->selectedRow(), m_field->text(), m_state);
    if (!result.applicable) {
        tell(QString());
        Dialogs::message(QStringLiteral("Ricerca non applicabile: la lista non contiene nessuna voce."));
        return;
    }
    if (!result.found && !m_field->text().isEmpty()) {
        // Nothing holds the fragment: the line picked before no longer stands for
        // it, and the user is told.
        m_list->clearSelection();
        m_list->setCurrentIndex(QModelIndex());
        tell(noMatchText());
        return;
    }
    tell(QString());
    if (result.selected >= 0)
        m_list->selectRow(result.selected);
}

std::vector<ScreenKit::ControlDef> pickListControls(const QString &banner, TrovaTab trova)
{
    using namespace ScreenKit;
    std::vector<ControlDef> controls = {
        {.name = "imgLogo", .kind = ControlKind::Picture, .geometry = {8, 8, 817, 53}, .picture = banner},
        {.name = "lblRigo01", .kind = ControlKind::Label, .geometry = {8, 66, 0, 0},
         .caption = QStringLiteral("Immettere una o pi\u00F9 parole consecutive presenti nella scheda in elenco da cercare e premere il pulsante Trova."),
         .font = {"Verdana", 11}, .textColour = Qt::white},
        {.name = "lblRigo02", .kind = ControlKind::Label, .geometry = {8, 82, 0, 0},
         .caption = QStringLiteral("Per spostarsi sulla voce successiva contenente la stessa chiave di ricerca, fare di nuovo clic su Trova."),
         .font = {"Verdana", 11}, .textColour = Qt::white},
        {.name = "shpLente", .kind = ControlKind::Box, .geometry = {8, 104, 81, 57}, .fill = Qt::white},
        {.name = "imgLente", .kind = ControlKind::Picture, .geometry = {8, 104, 81, 57}, .picture = QStringLiteral(":/lists/lente.svg")},
        {.name = "shpTrova", .kind = ControlKind::Box, .geometry = {96, 104, 729, 57}, .fill = Qt::black, .fillBottom = Qt::white},
        {.name = "shpLista", .kind = ControlKind::Box, .geometry = {8, 168, 817, 313}, .fill = Qt::black, .fillBottom = Qt::white},
        {.name = "txtTrova", .kind = ControlKind::TextField, .geometry = {112, 122, 593, 22}, .font = {"Verdana", 12, true}},
        {.name = "btnTrova", .kind = ControlKind::Button, .geometry = {710, 117, 105, 30}, .caption = QStringLiteral("Trova")},
        {.name = "lstRecords", .kind = ControlKind::LineList, .geometry = {16, 176, 801, 273}},
        {.name = "btnStampa", .kind = ControlKind::Button, .geometry = {675, 488, 150, 30}, .caption = QStringLiteral("Stampa")},
        {.name = "btnChiudi", .kind = ControlKind::Button, .geometry = {8, 488, 150, 30}, .caption = QStringLiteral("Chiudi")},
        {.name = "lblRigo03", .kind = ControlKind::Label, .geometry = {16, 456, 0, 0},
         .caption = QStringLiteral("Per richiamare i dati di una scheda, selezionarla con un doppio clic."),
         .font = {"Verdana", 11}, .textColour = QColor(0xDC, 0x14, 0x3C)},
    };
    if (trova == TrovaTab::AfterStampa) {
        // The kit gives the tab order of the table: Trova moves to after Stampa.
        const auto named = [&controls](const char *name) {
            return std::find_if(controls.begin(), controls.end(),
                                [name](const ControlDef &control) { return qstrcmp(control.name, name) == 0; });
        };
        const ControlDef button = *named("btnTrova");
        controls.erase(named("btnTrova"));
        controls.insert(named("btnStampa") + 1, button);
    }
    return controls;
}
