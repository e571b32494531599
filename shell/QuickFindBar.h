#pragma once

#include "shell/QuickFind.h"

#include "shell/ScreenKit.h"

#include <QObject>

#include <vector>

class LineListView;
class QLabel;
class QLineEdit;
class QPushButton;

// Quick find on a list screen: txtTrova, btnTrova and the list. Trova, or Enter
// in the field, selects the next matching line; when no line matches, nothing
// stays selected and the screen says "Nessuna corrispondenza": on its status line
// where it has one, otherwise on a small line of the bar's own (lblEsitoTrova)
// under the find field. The words go with the next find that matches, with a
// change of the fragment and with a reset.
class QuickFindBar final : public QObject
{
    Q_OBJECT
public:
    QuickFindBar(QLineEdit *txtTrova, QPushButton *btnTrova, LineListView *list);

    // Empties the remembered fragment (and the field).
    void reset();
    const QuickFind::State &state() const { return m_state; }
    // Where the outcome is told: the screen's status line or the bar's own line.
    QLabel *outcome() const { return m_outcome; }

    static QString noMatchText();

public slots:
    void btnTrovaClick();

private:
    void tell(const QString &text);

    QLineEdit *m_field;
    LineListView *m_list;
    QLabel *m_outcome;
    bool m_ownLine;  // the outcome line is the bar's, shown only while it says something
    bool m_told = false; // the outcome line holds the bar's words
    QuickFind::State m_state;
};

// Where Trova comes in the tab order of a pick list: right after the find field
// (the search results) or after the list and Stampa (the current attendees).
enum class TrovaTab { AfterField, AfterStampa };

// The controls of a sorted list that calls a record up with a double click, with
// quick find above it (the search results and the current attendees): the banner
// picture is the screen's own. The controls that take the focus come in tab order:
// the find field, then Trova, the list and Stampa or the list, Stampa and Trova,
// then Chiudi.
std::vector<ScreenKit::ControlDef> pickListControls(const QString &banner, TrovaTab trova = TrovaTab::AfterField);
