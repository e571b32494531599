#pragma once

#include "lessons/LessonRules.h"
#include "shell/ScreenKit.h"

class LineListView;
class QuickFindBar;
class QLineEdit;
class QLabel;

// The hours of driving lessons of each instructor and each vehicle over a period,
// from every lesson file of the program folder; a double click on one lists its
// lessons with the students' names. Printed and exported as the other lists.
class TfrmOreGuida final : public ScreenKit::Screen
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmOreGuida)

public:
    explicit TfrmOreGuida(QWidget *parent = nullptr);

    LineListView *list() const { return lstRecords; }
    LineListView *detail() const { return lstDettaglio; }
    static QString exportFileName(); // "Ore_di_guida.xls"

public slots:
    void btnCalcolaClick();
    void lstRecordsDblClick();
    void btnStampaClick();
    void btnEsportaClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    // What a line of the list stands for: a heading, or an instructor or a plate.
    struct Row {
        bool plate = false;
        int tally = -1; // -1: a heading or a blank line
    };

    LineListView *lstRecords = nullptr;
    LineListView *lstDettaglio = nullptr;
    QLineEdit *txtDal = nullptr;
    QLineEdit *txtAl = nullptr;
    QLabel *lblDettaglio = nullptr;
    QuickFindBar *m_quickFind = nullptr;
    Lessons::Folder m_folder;
    Lessons::Hours m_hours;
    QDate m_from;
    QDate m_to;
    std::vector<Row> m_rows;
    bool m_computed = false;
};
