#include "students/FrequentatoriOra.h"

#include "shell/FormatSettings.h"
#include "printing/PrintSeam.h"
#include "printing/SummaryList.h"
#include "search/QuickFindBar.h"
#include "shell/Clock.h"
#include "shell/LineList.h"
#include "storage/ArchiveError.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "storage/TextField.h"
#include "students/Lines.h"

#include <QLineEdit>
#include <QPushButton>

using namespace ScreenKit;

namespace {

const ControlSpec kControls[] = {
    {.name = "imgLogo", .kind = ControlKind::Picture, .geometry = {8, 8, 817, 53}, .picture = QStringLiteral(":/lists/frequentatori_banner.svg")},
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
    {.name = "lstRecords", .kind = ControlKind::LineList, .geometry = {16, 176, 801, 273}},
    {.name = "btnStampa", .kind = ControlKind::Button, .geometry = {675, 488, 150, 30}, .caption = QStringLiteral("Stampa")},
    {.name = "btnTrova", .kind = ControlKind::Button, .geometry = {710, 117, 105, 30}, .caption = QStringLiteral("Trova")},
    {.name = "btnChiudi", .kind = ControlKind::Button, .geometry = {8, 488, 150, 30}, .caption = QStringLiteral("Chiudi")},
    {.name = "lblRigo03", .kind = ControlKind::Label, .geometry = {16, 456, 0, 0},
     .caption = QStringLiteral("Per richiamare i dati di una scheda, selezionarla con un doppio clic."),
     .font = {"Verdana", 11}, .textColour = QColor(0xDC, 0x14, 0x3C)},
};

} // namespace

TfrmFrequentatoriOra::TfrmFrequentatoriOra(QWidget *parent)
    : Screen(parent, QStringLiteral(" Riepilogo frequentatori attuali"), QSize(862, 560), QSize(833, 529), Qt::black)
{
    setObjectName(QStringLiteral("frmFrequentatoriOra"));
    buildControls(kControls);
    makeFixedDialog();
    lstRecords = control<LineListView>("lstRecords");
    m_quickFind = new QuickFindBar(control<QLineEdit>("txtTrova"), control<QPushButton>("btnTrova"), lstRecords);
    connect(lstRecords, &LineListView::lineDoubleClicked, this, &TfrmFrequentatoriOra::lstRecordsDblClick);
    connect(control<QPushButton>("btnChiudi"), &QPushButton::clicked, this, &QDialog::reject);
    connect(control<QPushButton>("btnStampa"), &QPushButton::clicked, this, [this] {
        PrintSeam::print(SummaryList::create(QStringLiteral("Riepilogo frequentatori attuali"), lstRecords->lineModel()->lines(),
                                             Clock::now().date()));
    });
    FormCreate();
}

void TfrmFrequentatoriOra::FormCreate()
{
    FormatSettings::apply();
    m_quickFind->reset();
    lstRecords->lineModel()->setLines(Lines::readAttendeeLines(ProgramFolder::filePath(QString::fromLatin1(StudentRecord::FileName))));
    control<QLineEdit>("txtTrova")->setFocus(Qt::OtherFocusReason);
}

void TfrmFrequentatoriOra::lstRecordsDblClick()
{
    const std::optional<QString> selected = lstRecords->selectedLine();
    if (selected && m_loader) {
        try {
            RecordFile file;
            file.OpenOrCreate(ProgramFolder::filePath(QString::fromLatin1(StudentRecord::FileName)), StudentRecord::Size);
            const QStringView wanted = TextField::trimmed(*selected);
            RecordBuffer student(StudentRecord::layout());
            file.ScanRecords([&](std::span<const char> bytes) {
                student.setBytes(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
                // Every equal line is loaded in turn: the last one stays on the registry.
                if (TextField::trimmed(Lines::AttendeeLine(student)) == wanted)
                    m_loader(student, file.CurrentRecord() + 1);
            });
            file.CloseRecordFile();
        } catch (const RecordFileError &) {
            // Closes without a message; the registry keeps what was loaded.
        }
    }
    accept();
}
