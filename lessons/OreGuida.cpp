#include "lessons/OreGuida.h"

#include "calendar/Deadlines.h"
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
#include "storage/ProgramFolder.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

using namespace ScreenKit;

namespace {

// From this many files on, reading them shows its progress.
constexpr int kProgressFrom = 200;

QString dateText(const QDate &date)
{
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

QString hoursText(const Lessons::Tally &tally)
{
    QString text = tally.minutes > 0 ? Lessons::durationText(tally.minutes) : QStringLiteral("0 h");
    return text;
}

QString tallyLine(const Lessons::Tally &tally)
{
    QString line = tally.name.leftJustified(30) + u"  " + hoursText(tally).leftJustified(14) + u"  "
                   + (tally.lessons == 1 ? QStringLiteral("1 lezione") : QStringLiteral("%1 lezioni").arg(tally.lessons));
    if (tally.unknown > 0)
        line += QStringLiteral(" (%1 di durata non riconosciuta)").arg(tally.unknown);
    return line;
}

std::vector<ControlDef> controls()
{
    std::vector<ControlDef> table = pickListControls(QStringLiteral(":/lists/ore_banner.svg"), TrovaTab::AfterStampa);
    for (ControlDef &control : table) {
        if (qstrcmp(control.name, "shpLista") == 0)
            control.geometry.setHeight(277);
        else if (qstrcmp(control.name, "lstRecords") == 0)
            control.geometry.setHeight(118);
        else if (qstrcmp(control.name, "lblRigo03") == 0) {
            control.geometry.moveTop(420);
            control.caption = QStringLiteral("Per vedere le lezioni di un istruttore o di un veicolo, selezionarlo con un doppio clic.");
        }
    }
    const FontStyle caption{"Verdana", 11, true};
    const QColor ink = argb(0xFF1F3A5F);
    const auto add = [&table](ControlDef control) { table.push_back(std::move(control)); };
    // The detail list goes right after the main list in the tab order.
    auto at = std::find_if(table.begin(), table.end(), [](const ControlDef &c) { return qstrcmp(c.name, "lstRecords") == 0; });
    table.insert(at + 1, {.name = "lstDettaglio", .kind = ControlKind::LineList, .geometry = {16, 318, 801, 96}});
    add({.name = "lblDettaglio", .kind = ControlKind::Label, .geometry = {16, 298, 801, 18}, .font = caption, .textColour = ink});
    add({.name = "lblPeriodo", .kind = ControlKind::Label, .geometry = {8, 458, 0, 0}, .caption = QStringLiteral("Periodo dal"),
         .font = caption, .textColour = ink});
    add({.name = "txtDal", .kind = ControlKind::TextField, .geometry = {100, 455, 104, 22}, .font = {"Verdana", 12, true},
         .maxLength = 10, .alignment = Qt::AlignCenter, .focus = FocusStyle::Background, .next = "txtAl"});
    add({.name = "lblAl", .kind = ControlKind::Label, .geometry = {212, 458, 0, 0}, .caption = QStringLiteral("al"), .font = caption,
         .textColour = ink});
    add({.name = "txtAl", .kind = ControlKind::TextField, .geometry = {236, 455, 104, 22}, .font = {"Verdana", 12, true},
         .maxLength = 10, .alignment = Qt::AlignCenter, .focus = FocusStyle::Background});
    add({.name = "btnCalcola", .kind = ControlKind::Button, .geometry = {350, 451, 120, 30}, .caption = QStringLiteral("Calcola")});
    add({.name = "btnEsporta", .kind = ControlKind::Button, .geometry = {517, 488, 150, 30}, .caption = QStringLiteral("Esporta")});
    return table;
}

} // namespace

TfrmOreGuida::TfrmOreGuida(QWidget *parent)
    : Screen(parent, QStringLiteral(" Ore di guida"), QSize(862, 560), QSize(833, 529), Qt::black)
{
    setObjectName(QStringLiteral("frmOreGuida"));
    makeFixedDialog();
    buildWhenNeeded([this] {
        buildControls(controls());
        capture({{"lstRecords", &lstRecords}, {"lstDettaglio", &lstDettaglio}, {"txtDal", &txtDal}, {"txtAl", &txtAl},
                 {"lblDettaglio", &lblDettaglio}});
        m_quickFind = new QuickFindBar(control<QLineEdit>("txtTrova"), control<QPushButton>("btnTrova"), lstRecords);
        const QDate today = Clock::now().date();
        txtDal->setText(dateText(QDate(today.year(), today.month(), 1)));
        txtAl->setText(dateText(QDate(today.year(), today.month(), today.daysInMonth())));
        connect(lstRecords, &LineListView::lineDoubleClicked, this, &TfrmOreGuida::lstRecordsDblClick);
        connect(control<QPushButton>("btnCalcola"), &QPushButton::clicked, this, &TfrmOreGuida::btnCalcolaClick);
        connect(txtAl, &QLineEdit::returnPressed, this, &TfrmOreGuida::btnCalcolaClick);
        connect(control<QPushButton>("btnChiudi"), &QPushButton::clicked, this, &QDialog::reject);
        connect(control<QPushButton>("btnStampa"), &QPushButton::clicked, this, &TfrmOreGuida::btnStampaClick);
        connect(control<QPushButton>("btnEsporta"), &QPushButton::clicked, this, &TfrmOreGuida::btnEsportaClick);
    });
}

QString TfrmOreGuida::exportFileName()
{
    return QStringLiteral("Ore_di_guida.xls");
}

void TfrmOreGuida::showEvent(QShowEvent *event)
{
    Screen::showEvent(event);
    // The files are read once the window is on view, with progress when they are many.
    if (!event->spontaneous() && !m_computed) {
        m_computed = true;
        QTimer::singleShot(0, this, &TfrmOreGuida::btnCalcolaClick);
    }
}

void TfrmOreGuida::btnCalcolaClick()
{
    m_computed = true;
    const std::optional<QDate> from = Deadlines::parseDate(QStringView(txtDal->text()));
    const std::optional<QDate> to = Deadlines::parseDate(QStringView(txtAl->text()));
    if (!from || !to || *to < *from) {
        Dialogs::warning(QStringLiteral("Attenzione: indicare il periodo con due date nel formato gg/mm/aaaa, la prima non successiva "
                                        "alla seconda."));
        return;
    }
    FormatSettings::apply();
    std::unique_ptr<QProgressDialog> progress;
    m_folder = Lessons::readFolder(ProgramFolder::path(), [&](int done, int total) {
        if (total < kProgressFrom)
            return true;
        if (!progress) {
            progress = std::make_unique<QProgressDialog>(QStringLiteral("Lettura delle lezioni di guida in corso..."),
                                                         QStringLiteral("Annulla"), 0, total, this);
            progress->setWindowModality(Qt::WindowModal);
            progress->setMinimumDuration(300);
        }
        progress->setValue(done);
        return !progress->wasCanceled();
    });
    progress.reset();
    lstDettaglio->lineModel()->clear();
    lblDettaglio->clear();
    if (m_folder.cancelled) {
        m_folder = Lessons::Folder();
        m_hours = {};
        m_rows.clear();
        lstRecords->lineModel()->clear();
        lblDettaglio->setText(QStringLiteral("Calcolo annullato."));
        return;
    }
    m_from = *from;
    m_to = *to;
    m_hours = Lessons::hoursOf(m_folder, m_from, m_to);
    QStringList lines;
    m_rows.clear();
    const auto section = [&](const QString &heading, const std::vector<Lessons::Tally> &tallies, bool plate) {
        lines << heading;
        m_rows.push_back({plate, -1});
        if (tallies.empty()) {
            lines << QStringLiteral("  nessuna lezione nel periodo");
            m_rows.push_back({plate, -1});
        }
        for (std::size_t i = 0; i < tallies.size(); ++i) {
            lines << u"  " + tallyLine(tallies[i]);
            m_rows.push_back({plate, static_cast<int>(i)});
        }
    };
    section(QStringLiteral("ISTRUTTORI dal %1 al %2").arg(dateText(m_from), dateText(m_to)), m_hours.instructors, false);
    lines << QString();
    m_rows.push_back({false, -1});
    section(QStringLiteral("VEICOLI (TARGA) dal %1 al %2").arg(dateText(m_from), dateText(m_to)), m_hours.plates, true);
    m_quickFind->reset();
    lstRecords->lineModel()->setLines(lines);
    if (!m_folder.complete)
        Dialogs::warning(incompleteListWarning());
}

void TfrmOreGuida::lstRecordsDblClick()
{
    const int row = lstRecords->selectedRow();
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || m_rows[static_cast<std::size_t>(row)].tally < 0)
        return;
    const Row &picked = m_rows[static_cast<std::size_t>(row)];
    const Lessons::Tally &tally =
        (picked.plate ? m_hours.plates : m_hours.instructors)[static_cast<std::size_t>(picked.tally)];
    QStringList lines;
    for (std::size_t i = 0; i < m_folder.size(); ++i) {
        const Lessons::Lesson lesson = m_folder.lesson(i);
        const std::optional<QDate> date = Deadlines::parseDate(QStringView(lesson.date));
        if (!date || *date < m_from || *date > m_to || !Lessons::sameName(picked.plate ? lesson.plate : lesson.instructor, tally.name))
            continue;
        const std::optional<int> minutes = Lessons::minutesOf(lesson);
        const QString who = m_folder.student(m_folder.entry(i).student);
        lines << lesson.date + u"  " + QString(lesson.start + u'-' + lesson.end).leftJustified(11) + u"  "
                     + (minutes ? Lessons::durationText(*minutes) : QStringLiteral("?")).leftJustified(12) + u"  " + who.leftJustified(28)
                     + u"  " + (picked.plate ? lesson.instructor : lesson.plate).leftJustified(16) + u"  " + lesson.module;
    }
    lblDettaglio->setText(QStringLiteral("Lezioni di %1 dal %2 al %3: %4").arg(tally.name, dateText(m_from), dateText(m_to)).arg(lines.size()));
    lstDettaglio->lineModel()->setLines(lines);
}

void TfrmOreGuida::btnStampaClick()
{
    QStringList lines = lstRecords->lineModel()->lines();
    if (lstDettaglio->lineModel()->rowCount() > 0)
        lines << QString() << lblDettaglio->text() << lstDettaglio->lineModel()->lines();
    PrintSeam::print(SummaryList::create(QStringLiteral("Ore di guida per istruttore e per veicolo"), lines, Clock::now().date()));
}

void TfrmOreGuida::btnEsportaClick()
{
    static const Export::SheetColumn kColumns[] = {
        {QStringLiteral("Tipo"), 90},   {QStringLiteral("Nome o targa"), 200},     {QStringLiteral("Dal"), 90},
        {QStringLiteral("Al"), 90},     {QStringLiteral("Minuti"), 80},            {QStringLiteral("Ore"), 100},
        {QStringLiteral("Lezioni"), 80}, {QStringLiteral("Di durata non riconosciuta"), 120},
    };
    std::vector<QStringList> rows;
    const auto add = [&](const QString &type, const std::vector<Lessons::Tally> &tallies) {
        for (const Lessons::Tally &t : tallies)
            rows.push_back({type, t.name, dateText(m_from), dateText(m_to), QString::number(t.minutes), hoursText(t),
                            QString::number(t.lessons), QString::number(t.unknown)});
    };
    add(QStringLiteral("Istruttore"), m_hours.instructors);
    add(QStringLiteral("Veicolo"), m_hours.plates);
    SheetExport::save(exportFileName(), QStringLiteral("Ore di guida"), kColumns, rows, QStringLiteral("Le ore di guida in elenco"));
}
