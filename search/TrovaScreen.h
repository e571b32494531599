#pragma once

#include "search/Search.h"
#include "shell/ScreenKit.h"

#include <functional>
#include <span>
#include <vector>

class LineListView;
class QLabel;
class QLineEdit;
class QuickFindBar;

// The filter search of an archive: a filter panel with ten fields, then a result
// panel with the sorted lines of the matching records and quick find. A double
// click hands the record the picked line was made from to the caller's handler
// and closes the screen.
class TrovaScreen : public ScreenKit::Screen
{
    Q_OBJECT

public:
    struct FilterField {
        const char *field;   // txtXxx: the filter field, named like the record field
        const char *caption; // lblCampoNN
        QString text;
        QPoint position;
    };

    struct Setup {
        QString caption;
        QString archiveName;
        const RecordLayout *layout;
        std::span<const FilterField> filters;
        Search::LineBuilder line;
        QStringList modes;                  // the lblMemory values for which a pick is handed over
        std::span<const QRect> columnIcons; // pictures of the white column
        QString printTitle;                 // title of the printed list
        QString printFileName;              // what print to file proposes for it
    };

    TrovaScreen(QWidget *parent, const Setup &setup);

    // Receives a picked record and its 1-based position.
    using PickHandler = std::function<void(std::span<const char> record, qint64 position)>;
    void setPickHandler(PickHandler handler) { m_pick = std::move(handler); }

    LineListView *list() const { return lstRecords; }
    QuickFindBar *quickFind() const { return m_quickFind; }

public slots:
    void btnCercaClick();
    void lstRecordsDblClick();
    void btnStampaClick();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Setup m_setup;
    PickHandler m_pick;
    LineListView *lstRecords = nullptr;
    QLabel *lblAttendere = nullptr;
    std::vector<QLineEdit *> m_filterFields; // in the order of the setup's filters
    QuickFindBar *m_quickFind = nullptr;
};

class TfrmTrovaAllievi final : public TrovaScreen
{
    Q_OBJECT
public:
    explicit TfrmTrovaAllievi(QWidget *parent = nullptr);
};

class TfrmTrovaModelli final : public TrovaScreen
{
    Q_OBJECT
public:
    explicit TfrmTrovaModelli(QWidget *parent = nullptr);
};
