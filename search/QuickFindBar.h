#pragma once

#include "search/QuickFind.h"

#include "shell/ScreenKit.h"

#include <QObject>

#include <vector>

class LineListView;
class QLineEdit;
class QPushButton;

// Quick find on a list screen: txtTrova, btnTrova and the list. Enter in the
// field moves to Trova; Trova selects the next matching line.
class QuickFindBar final : public QObject
{
    Q_OBJECT
public:
    QuickFindBar(QLineEdit *txtTrova, QPushButton *btnTrova, LineListView *list);

    // Empties the remembered fragment (and the field).
    void reset();
    const QuickFind::State &state() const { return m_state; }

public slots:
    void btnTrovaClick();

private:
    QLineEdit *m_field;
    LineListView *m_list;
    QuickFind::State m_state;
};

// The controls of a sorted list that calls a record up with a double click, with
// quick find above it (the search results and the current attendees): the banner
// picture is the screen's own.
std::vector<ScreenKit::ControlDef> pickListControls(const QString &banner);
