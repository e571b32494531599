#include "search/QuickFindBar.h"

#include "shell/Dialogs.h"
#include "shell/LineList.h"
#include "shell/ScreenKit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

QuickFindBar::QuickFindBar(QLineEdit *txtTrova, QPushButton *btnTrova, LineListView *list)
    : QObject(txtTrova)
    , m_field(txtTrova)
    , m_list(list)
{
    // Enter in the field only moves to Trova.
    ScreenKit::setEnterTarget(txtTrova, "btnTrova");
    connect(btnTrova, &QPushButton::clicked, this, &QuickFindBar::btnTrovaClick);
}

void QuickFindBar::reset()
{
    m_state = {};
    m_field->clear();
}

void QuickFindBar::btnTrovaClick()
{
    const QuickFind::Result result = QuickFind::find(m_list->lineModel()->lines(), m_list->selectedRow(), m_field->text(), m_state);
    if (!result.applicable) {
        Dialogs::message(QStringLiteral("Ricerca non applicabile: la lista non contiene nessuna voce."));
        return;
    }
    if (result.selected >= 0)
        m_list->selectRow(result.selected);
}
