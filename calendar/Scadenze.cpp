#include "calendar/Scadenze.h"

#include "calendar/EnrolmentRegister.h"
#include "export/SheetExport.h"
#include "printing/PrintSeam.h"
#include "printing/SummaryList.h"
#include "shell/Clock.h"
#include "shell/Dialogs.h"
#include "shell/FormatSettings.h"
#include "shell/LineList.h"
#include "shell/OpenURL.h"
#include "shell/QuickFindBar.h"
#include "storage/ArchiveError.h"
#include "storage/FileReplacement.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "tt2112/SchoolDefaults.h"

#include <QIntValidator>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

using namespace ScreenKit;

namespace {

constexpr int kDefaultDays = 60;

QColor markOf(Deadlines::Urgency urgency)
{
    switch (urgency) {
    case Deadlines::Urgency::Overdue: return QColor(0x7A, 0x00, 0x10);
    case Deadlines::Urgency::Red: return QColor(0xD7, 0x26, 0x3D);
    case Deadlines::Urgency::Amber: return QColor(0xF2, 0xA9, 0x00);
    case Deadlines::Urgency::Normal: return QColor(0x2E, 0x8B, 0x57);
    }
    return QColor();
}

std::vector<ControlDef> controls()
{
    std::vector<ControlDef> table = pickListControls(QStringLiteral(":/lists/scadenze_banner.svg"), TrovaTab::AfterStampa);
    // The list leaves room under it for the number of days and the register's period.
    for (ControlDef &control : table) {
        if (qstrcmp(control.name, "shpLista") == 0)
            control.geometry.setHeight(277);
        else if (qstrcmp(control.name, "lstRecords") == 0)
            control.geometry.setHeight(237);
        else if (qstrcmp(control.name, "lblRigo03") == 0)
            control.geometry.moveTop(420);
    }
    const FontStyle caption{"Verdana", 11, true};
    const QColor ink = argb(0xFF1F3A5F);
    const auto add = [&table](ControlDef control) { table.push_back(std::move(control)); };
    add({.name = "lblGiorni", .kind = ControlKind::Label, .geometry = {8, 458, 0, 0}, .caption = QStringLiteral("Scadenze dei prossimi"),
         .font = caption, .textColour = ink});
    add({.name = "txtGiorni", .kind = ControlKind::TextField, .geometry = {168, 455, 44, 22}, .font = {"Verdana", 12, true},
         .maxLength = 4, .alignment = Qt::AlignCenter, .focus = FocusStyle::Background});
    add({.name = "lblGiorni2", .kind = ControlKind::Label, .geometry = {218, 458, 0, 0}, .caption = QStringLiteral("giorni"),
         .font = caption, .textColour = ink});
    add({.name = "lblRegistro", .kind = ControlKind::Label, .geometry = {380, 458, 0, 0},
         .caption = QStringLiteral("Registro di iscrizione dal"), .font = caption, .textColour = ink});
    add({.name = "txtDal", .kind = ControlKind::TextField, .geometry = {575, 455, 104, 22}, .font = {"Verdana", 12, true},
         .maxLength = 10, .alignment = Qt::AlignCenter, .focus = FocusStyle::Background, .next = "txtAl"});
    add({.name = "lblAl", .kind = ControlKind::Label, .geometry = {688, 458, 0, 0}, .caption = QStringLiteral("al"), .font = caption,
         .textColour = ink});
    add({.name = "txtAl", .kind = ControlKind::TextField, .geometry = {712, 455, 104, 22}, .font = {"Verdana", 12, true},
         .maxLength = 10, .alignment = Qt::AlignCenter, .focus = FocusStyle::Background});
    add({.name = "btnRegistro", .kind = ControlKind::Button, .geometry = {359, 488, 150, 30}, .caption = QStringLiteral("Registro")});
    add({.name = "btnEsporta", .kind = ControlKind::Button, .geometry = {517, 488, 150, 30}, .caption = QStringLiteral("Esporta")});
    return table;
}

QString dateText(const QDate &date)
{
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

} // namespace

TfrmScadenze::TfrmScadenze(QWidget *parent)
    : Screen(parent, QStringLiteral(" Scadenze"), QSize(862, 560), QSize(833, 529), Qt::black)
{
    setObjectName(QStringLiteral("frmScadenze"));
    makeFixedDialog();
    buildWhenNeeded([this] {
        buildControls(controls());
        capture({{"lstRecords", &lstRecords}, {"txtGiorni", &txtGiorni}, {"txtDal", &txtDal}, {"txtAl", &txtAl}});
        m_quickFind = new QuickFindBar(control<QLineEdit>("txtTrova"), control<QPushButton>("btnTrova"), lstRecords);
        txtGiorni->setValidator(new QIntValidator(0, 3650, txtGiorni));
        txtGiorni->setText(QString::number(kDefaultDays));
        const QDate today = Clock::now().date();
        txtDal->setText(dateText(QDate(today.year(), 1, 1)));
        txtAl->setText(dateText(QDate(today.year(), 12, 31)));
        lstRecords->lineModel()->setRowMark([this](int row) {
            return row < static_cast<int>(m_list.deadlines.size()) ? markOf(m_list.deadlines[static_cast<std::size_t>(row)].urgency)
                                                                   : QColor();
        });
        connect(lstRecords, &LineListView::lineDoubleClicked, this, &TfrmScadenze::lstRecordsDblClick);
        connect(txtGiorni, &QLineEdit::editingFinished, this, [this] {
            if (days() != m_listedDays)
                refresh();
        });
        connect(control<QPushButton>("btnChiudi"), &QPushButton::clicked, this, &QDialog::reject);
        connect(control<QPushButton>("btnStampa"), &QPushButton::clicked, this, &TfrmScadenze::btnStampaClick);
        connect(control<QPushButton>("btnEsporta"), &QPushButton::clicked, this, &TfrmScadenze::btnEsportaClick);
        connect(control<QPushButton>("btnRegistro"), &QPushButton::clicked, this, &TfrmScadenze::btnRegistroClick);
        connect(txtAl, &QLineEdit::returnPressed, this, &TfrmScadenze::btnRegistroClick);
        refresh();
    });
}

QString TfrmScadenze::exportFileName()
{
    return QStringLiteral("Scadenze.xls");
}

int TfrmScadenze::days() const
{
    bool ok = false;
    const int value = txtGiorni->text().trimmed().toInt(&ok);
    return ok && value >= 0 ? value : kDefaultDays;
}

void TfrmScadenze::refresh()
{
    FormatSettings::apply();
    const int wanted = days();
    m_list = Deadlines::collect({Clock::now().date(), wanted});
    m_listedDays = wanted;
    m_incomplete = m_incomplete || !m_list.complete;
    LineStore lines;
    lines.reserve(static_cast<qsizetype>(m_list.deadlines.size()));
    for (const Deadlines::Deadline &deadline : m_list.deadlines)
        lines.append(Deadlines::lineOf(deadline, m_list.candidateOf(deadline)));
    m_quickFind->reset();
    lstRecords->lineModel()->setLines(std::move(lines));
    if (isVisible() && std::exchange(m_incomplete, false))
        Dialogs::warning(incompleteListWarning());
}

void TfrmScadenze::showEvent(QShowEvent *event)
{
    Screen::showEvent(event);
    if (!event->spontaneous()) {
        control<QLineEdit>("txtTrova")->setFocus(Qt::OtherFocusReason);
        if (std::exchange(m_incomplete, false))
            Dialogs::warning(incompleteListWarning());
    }
}

void TfrmScadenze::lstRecordsDblClick()
{
    const int row = lstRecords->selectedRow();
    if (row < 0 || row >= static_cast<int>(m_list.deadlines.size()) || !m_loader)
        return;
    const Deadlines::Candidate &candidate = m_list.candidateOf(m_list.deadlines[static_cast<std::size_t>(row)]);
    RecordBuffer student(StudentRecord::layout());
    bool found = false;
    try {
        RecordFile file;
        file.OpenForReading(ProgramFolder::filePath(QString::fromLatin1(StudentRecord::FileName)), StudentRecord::Size);
        if (candidate.position >= 1 && candidate.position <= file.RecordCount()) {
            file.SeekRecord(candidate.position - 1);
            file.ReadRecord(student);
            // Another workstation may have changed the archive since the list was made.
            found = student.text(StudentRecord::txtCognome) == candidate.surname && student.text(StudentRecord::txtNome) == candidate.name;
        }
        file.CloseRecordFile();
    } catch (const RecordFileError &) {
        found = false;
    }
    if (!found) {
        Dialogs::warning(QStringLiteral("La scheda dell'allievo non si trova pi\u00F9 nella posizione in elenco: l'archivio \u00E8 stato "
                                        "modificato. L'elenco delle scadenze viene aggiornato."));
        refresh();
        return;
    }
    m_loader(student, candidate.position);
    accept();
}

void TfrmScadenze::btnStampaClick()
{
    const QString title = QStringLiteral("Scadenze al %1 (prossimi %2 giorni)").arg(Clock::todayText()).arg(m_listedDays);
    PrintSeam::print(SummaryList::create(title, lstRecords->lineModel()->lines(), Clock::now().date()));
}

void TfrmScadenze::btnEsportaClick()
{
    static const Export::SheetColumn kColumns[] = {
        {QStringLiteral("Data"), 90},          {QStringLiteral("Urgenza"), 80},       {QStringLiteral("Scadenza"), 300},
        {QStringLiteral("Cognome"), 160},      {QStringLiteral("Nome"), 160},         {QStringLiteral("Codice corso"), 120},
        {QStringLiteral("Data stimata"), 90}, {QStringLiteral("Posizione in archivio"), 90},
    };
    std::vector<QStringList> rows;
    rows.reserve(m_list.deadlines.size());
    for (const Deadlines::Deadline &d : m_list.deadlines) {
        const Deadlines::Candidate &who = m_list.candidateOf(d);
        rows.push_back({dateText(d.date), Deadlines::urgencyWord(d.urgency), Deadlines::kindText(d.kind), who.surname, who.name, who.course,
                        d.estimated ? QStringLiteral("S\u00EC") : QString(), QString::number(who.position)});
    }
    SheetExport::save(exportFileName(), QStringLiteral("Scadenze"), kColumns, rows, QStringLiteral("Le scadenze in elenco"));
}

void TfrmScadenze::btnRegistroClick()
{
    const std::optional<QDate> from = Deadlines::parseDate(QStringView(txtDal->text()));
    const std::optional<QDate> to = Deadlines::parseDate(QStringView(txtAl->text()));
    if (!from || !to || *to < *from) {
        Dialogs::warning(QStringLiteral("Attenzione: indicare il periodo del registro con due date nel formato gg/mm/aaaa, "
                                        "la prima non successiva alla seconda."));
        (from ? txtAl : txtDal)->setFocus(Qt::OtherFocusReason);
        return;
    }
    QString code;
    if (const std::optional<SchoolDefaults::Values> values = SchoolDefaults::read(SchoolDefaults::path()))
        code = values->code;
    const EnrolmentRegister::Register reg =
        EnrolmentRegister::create(ProgramFolder::filePath(QString::fromLatin1(StudentRecord::FileName)), code, *from, *to,
                                  Clock::now().date());
    if (!reg.complete)
        Dialogs::warning(incompleteListWarning());
    if (reg.students == 0) {
        Dialogs::information(QStringLiteral("Nessun allievo risulta iscritto nel periodo indicato."));
        return;
    }
    PrintSeam::print(reg.document);
}
