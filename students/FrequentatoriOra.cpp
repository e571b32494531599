#include "students/FrequentatoriOra.h"

#include "shell/FormatSettings.h"
#include "printing/PrintSeam.h"
#include "printing/SummaryList.h"
#include "shell/QuickFindBar.h"
#include "shell/Clock.h"
#include "shell/Dialogs.h"
#include "shell/LineList.h"
#include "storage/ArchiveError.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "students/Lines.h"

#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include <utility>

using namespace ScreenKit;


TfrmFrequentatoriOra::TfrmFrequentatoriOra(QWidget *parent)
    : Screen(parent, QStringLiteral(" Riepilogo frequentatori attuali"), QSize(862, 560), QSize(833, 529), Qt::black)
{
    setObjectName(QStringLiteral("frmFrequentatoriOra"));
    makeFixedDialog();
    buildWhenNeeded([this] {
        buildControls(pickListControls(QStringLiteral(":/lists/frequentatori_banner.svg"), TrovaTab::AfterStampa));
        capture({{"lstRecords", &lstRecords}});
        m_quickFind = new QuickFindBar(control<QLineEdit>("txtTrova"), control<QPushButton>("btnTrova"), lstRecords);
        connect(lstRecords, &LineListView::lineDoubleClicked, this, &TfrmFrequentatoriOra::lstRecordsDblClick);
        connect(control<QPushButton>("btnChiudi"), &QPushButton::clicked, this, &QDialog::reject);
        connect(control<QPushButton>("btnStampa"), &QPushButton::clicked, this, [this] {
            Report::ListDocument list = SummaryList::create(QStringLiteral("Riepilogo frequentatori attuali"),
                                                            lstRecords->lineModel()->lines(), Clock::now().date());
            list.fileName = QStringLiteral("Frequentatori attuali");
            PrintSeam::print(list);
        });
        if (m_pendingLines)
            showLines(*std::exchange(m_pendingLines, std::nullopt));
    });
    FormCreate();
}

void TfrmFrequentatoriOra::FormCreate()
{
    FormatSettings::apply();
    // Reading creates an empty archive where there is none, whether or not the
    // list exists yet; if it does not, the lines wait for it.
    bool complete = true;
    RecordLines lines = Lines::readAttendeeRecords(ProgramFolder::filePath(QString::fromLatin1(StudentRecord::FileName)), &complete);
    m_incomplete = !complete;
    if (isBuilt())
        showLines(std::move(lines));
    else
        m_pendingLines = std::move(lines);
}

void TfrmFrequentatoriOra::showEvent(QShowEvent *event)
{
    Screen::showEvent(event);
    // Told once, when the list first shows: the lines are those read before the failure.
    if (!event->spontaneous() && std::exchange(m_incomplete, false))
        Dialogs::warning(incompleteListWarning());
}

void TfrmFrequentatoriOra::showLines(RecordLines lines)
{
    m_quickFind->reset();
    lstRecords->lineModel()->setLines(std::move(lines));
    control<QLineEdit>("txtTrova")->setFocus(Qt::OtherFocusReason);
}

void TfrmFrequentatoriOra::lstRecordsDblClick()
{
    // The picked line stands for the student it was made from, whatever other line reads the same.
    const qint64 position = lstRecords->selectedRecord();
    if (position > 0 && m_loader) {
        try {
            RecordFile file;
            file.OpenOrCreate(ProgramFolder::filePath(QString::fromLatin1(StudentRecord::FileName)), StudentRecord::Size);
            RecordBuffer student(StudentRecord::layout());
            file.SeekRecord(position - 1);
            file.ReadRecord(student);
            file.CloseRecordFile();
            m_loader(student, position);
        } catch (const RecordFileError &) {
            // Closes without a message; the registry keeps what it showed.
        }
    }
    accept();
}
