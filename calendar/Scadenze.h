#pragma once

#include "calendar/Deadlines.h"
#include "shell/ScreenKit.h"

#include <functional>

class LineListView;
class QuickFindBar;
class RecordBuffer;
class QLineEdit;

// The deadline list: one line per deadline of the students still on their way to
// the licence, coloured by urgency; a double click (or Enter) calls the student
// up on the registry. Printed and exported as the other lists; the enrolment
// register of a period is printed from here too.
class TfrmScadenze final : public ScreenKit::Screen
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmScadenze)

public:
    explicit TfrmScadenze(QWidget *parent = nullptr);

    // Shows a student (record and 1-based position) on the registry.
    using Loader = std::function<void(const RecordBuffer &, qint64)>;
    void setLoader(Loader loader) { m_loader = std::move(loader); }

    LineListView *list() const { return lstRecords; }
    const Deadlines::List &deadlines() const { return m_list; }
    // The export's file in the program folder.
    static QString exportFileName();

public slots:
    void lstRecordsDblClick();
    void btnStampaClick();
    void btnEsportaClick();
    void btnRegistroClick();
    // Reads both archives again for the days asked.
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;

private:
    int days() const;

    LineListView *lstRecords = nullptr;
    QLineEdit *txtGiorni = nullptr;
    QLineEdit *txtDal = nullptr;
    QLineEdit *txtAl = nullptr;
    QuickFindBar *m_quickFind = nullptr;
    Deadlines::List m_list;
    int m_listedDays = -1;
    Loader m_loader;
    bool m_incomplete = false; // told when shown
};
