#include "students/LezioniGuida.h"

#include "shell/Dialogs.h"
#include "shell/RecordSaving.h"
#include "shell/FormatSettings.h"
#include "printing/PrintSeam.h"
#include "printing/SummaryList.h"
#include "shell/QuickFindBar.h"
#include "shell/Clock.h"
#include "shell/LineList.h"
#include "storage/ArchiveError.h"
#include "storage/Layouts.h"
#include "storage/ProgramFolder.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "storage/TextField.h"
#include "students/Lines.h"
#include "lessons/LessonRegister.h"
#include "tt2112/SchoolDefaults.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

using namespace ScreenKit;

namespace {

const QColor kTop = argb(0xFF427AA8);
const FontStyle kFieldFont{"Verdana", 12, true};

const ControlDef kListPanel[] = {
    {.name = "imgLogo", .kind = ControlKind::Picture, .geometry = {8, 8, 818, 54}, .picture = QStringLiteral(":/lists/lezioni_banner.svg")},
    {.name = "shpTitolo", .kind = ControlKind::Box, .geometry = {8, 70, 817, 34}, .fill = Qt::black},
    {.name = "lblTitolo", .kind = ControlKind::Label, .geometry = {10, 72, 813, 30}, .caption = QStringLiteral("ALLIEVO E CODICE CORSO"),
     .font = {"Verdana", 16}, .textColour = Qt::white, .alignment = Qt::AlignCenter},
    {.name = "lblRigo01", .kind = ControlKind::Label, .geometry = {8, 108, 0, 0},
     .caption = QStringLiteral("Immettere una o pi\u00F9 parole consecutive presenti nella scheda in elenco da cercare e premere il pulsante Trova."),
     .font = {"Verdana", 11}},
    {.name = "shpLente", .kind = ControlKind::Box, .geometry = {8, 128, 81, 57}, .fill = Qt::white},
    {.name = "imgLente", .kind = ControlKind::Picture, .geometry = {8, 128, 81, 57}, .picture = QStringLiteral(":/lists/lente.svg")},
    {.name = "shpTrova", .kind = ControlKind::Box, .geometry = {96, 128, 729, 57}, .fill = kTop, .fillBottom = Qt::white},
    {.name = "shpLista", .kind = ControlKind::Box, .geometry = {8, 192, 817, 313}, .fill = kTop, .fillBottom = Qt::white},
    {.name = "txtTrova", .kind = ControlKind::TextField, .geometry = {112, 146, 593, 22}, .font = kFieldFont},
    {.name = "lstRecords", .kind = ControlKind::LineList, .geometry = {16, 200, 801, 273}},
    {.name = "btnStampa", .kind = ControlKind::Button, .geometry = {675, 544, 150, 30}, .caption = QStringLiteral("Stampa riepilogo")},
    {.name = "btnTrova", .kind = ControlKind::Button, .geometry = {710, 141, 105, 30}, .caption = QStringLiteral("Trova")},
    {.name = "btnChiudi", .kind = ControlKind::Button, .geometry = {8, 544, 120, 30}, .caption = QStringLiteral("Chiudi")},
    {.name = "btnAggiungi", .kind = ControlKind::Button, .geometry = {180, 544, 140, 30}, .caption = QStringLiteral("Aggiungi lezione")},
    {.name = "btnModifica", .kind = ControlKind::Button, .geometry = {326, 544, 140, 30}, .caption = QStringLiteral("Modifica lezione")},
    {.name = "btnRegistro", .kind = ControlKind::Button, .geometry = {517, 544, 150, 30}, .caption = QStringLiteral("Stampa registro")},
    {.name = "imgManoSinistra", .kind = ControlKind::Picture, .geometry = {136, 544, 40, 30}, .picture = QStringLiteral(":/lists/mano_destra.svg")},
    {.name = "imgManoDestra", .kind = ControlKind::Picture, .geometry = {470, 544, 40, 30}, .picture = QStringLiteral(":/lists/mano_sinistra.svg")},
    {.name = "lblRigo03", .kind = ControlKind::Label, .geometry = {16, 480, 0, 0},
     .caption = QStringLiteral("Per modificare una voce in elenco, selezionarla con un clic e premere il pulsante Modifica lezione."),
     .font = {"Verdana", 11}, .textColour = QColor(0xDC, 0x14, 0x3C)},
    {.name = "shpTotale", .kind = ControlKind::Box, .geometry = {8, 511, 817, 26}, .fill = Qt::black},
    {.name = "titValoreTotale", .kind = ControlKind::Label, .geometry = {16, 515, 101, 17}, .caption = QStringLiteral("TOTALE LEZIONI:"),
     .textColour = Qt::white},
    {.name = "lblTotale", .kind = ControlKind::Label, .geometry = {120, 514, 40, 20}, .caption = QStringLiteral("0,00"),
     .font = {nullptr, 0, true}, .textColour = Qt::white, .alignment = Qt::AlignLeft | Qt::AlignVCenter},
    {.name = "lblOre", .kind = ControlKind::Label, .geometry = {160, 514, 660, 20}, .font = {"Verdana", 11, true},
     .textColour = Qt::white, .alignment = Qt::AlignRight | Qt::AlignVCenter},
};

#define ENTRY(NAME, CAPTION, MAX, X, Y, W, FILTER, NEXT)                                                                 \
    {.name = "tit" NAME, .kind = ControlKind::Label, .geometry = {(X) - 128, (Y) + 3, 122, 18},                          \
     .caption = QStringLiteral(CAPTION), .alignment = Qt::AlignRight | Qt::AlignVCenter},                                \
    {.name = "txt" NAME, .kind = ControlKind::TextField, .geometry = {X, Y, W, 22}, .font = kFieldFont, .maxLength = MAX, \
     .filter = FILTER, .focus = FocusStyle::Background, .next = NEXT}

const ControlDef kEntryPanel[] = {
    {.name = "shpCornice", .kind = ControlKind::Box, .geometry = {10, 10, 813, 565}, .fill = kTop, .fillBottom = Qt::white},
    {.name = "shpIntestazione", .kind = ControlKind::Box, .geometry = {20, 20, 793, 60}, .fill = Qt::white},
    {.name = "imgTitolo", .kind = ControlKind::Picture, .geometry = {174, 28, 490, 48}, .picture = QStringLiteral(":/lists/lezioni_titolo.svg")},
    {.name = "shpFoto", .kind = ControlKind::Box, .geometry = {20, 90, 793, 263}, .fill = Qt::white},
    {.name = "imgFoto", .kind = ControlKind::Picture, .geometry = {24, 94, 785, 255}, .picture = QStringLiteral(":/lists/lezioni_foto.svg")},
    {.name = "shpCampi", .kind = ControlKind::Box, .geometry = {20, 362, 629, 202}, .fill = Qt::white},
    {.name = "shpCartello", .kind = ControlKind::Box, .geometry = {616, 362, 197, 113}, .fill = Qt::white},
    {.name = "imgCartello", .kind = ControlKind::Picture, .geometry = {616, 362, 197, 113}, .picture = QStringLiteral(":/lists/cartello.svg")},
    {.name = "shpIstruzioni", .kind = ControlKind::Box, .geometry = {24, 367, 785, 26}, .fill = Qt::black},
    {.name = "titIstruzioni", .kind = ControlKind::Label, .geometry = {32, 371, 600, 18},
     .caption = QStringLiteral("Immettere i dati nei campi sottostanti e premere Salva."), .textColour = Qt::white},
    {.name = "imgTarga", .kind = ControlKind::Picture, .geometry = {544, 506, 78, 57}, .picture = QStringLiteral(":/lists/targa.svg")},
    ENTRY("Data", "Data lezione:", 10, 144, 410, 129, TypingFilter::None, "txtOraInizio"),
    ENTRY("OraInizio", "Ora inizio:", 5, 384, 410, 60, TypingFilter::None, "txtOraFine"),
    ENTRY("OraFine", "Ora fine:", 5, 548, 410, 60, TypingFilter::None, "txtDurata"),
    ENTRY("Durata", "Durata:", 14, 144, 442, 156, TypingFilter::None, "txtVeicolo"),
    ENTRY("Veicolo", "Veicolo:", 26, 144, 474, 328, TypingFilter::None, "txtTarga"),
    {.name = "titTarga", .kind = ControlKind::Label, .geometry = {476, 477, 50, 18}, .caption = QStringLiteral("Targa:"),
     .alignment = Qt::AlignRight | Qt::AlignVCenter},
    {.name = "txtTarga", .kind = ControlKind::TextField, .geometry = {530, 474, 106, 22}, .font = kFieldFont, .maxLength = 10,
     .filter = TypingFilter::UpperCase, .focus = FocusStyle::Background, .next = "txtIstruttore"},
    ENTRY("Istruttore", "Istruttore:", 26, 144, 506, 328, TypingFilter::None, "txtModulo"),
    ENTRY("Modulo", "Modulo:", 30, 144, 538, 156, TypingFilter::None, "txtData"),
    {.name = "btnSalva", .kind = ControlKind::Button, .geometry = {663, 488, 150, 30}, .caption = QStringLiteral("Salva")},
    {.name = "cmdClose", .kind = ControlKind::Button, .geometry = {663, 534, 150, 30}, .caption = QStringLiteral("Chiudi")},
    {.name = "impData", .kind = ControlKind::DateButton, .geometry = {278, 410, 22, 22}, .picture = QStringLiteral(":/lists/freccia_verde.svg"), .fills = "txtData"},
    {.name = "impOraInizio", .kind = ControlKind::TimeButton, .geometry = {450, 410, 22, 22}, .picture = QStringLiteral(":/lists/freccia_verde.svg"), .fills = "txtOraInizio"},
    {.name = "impOraFine", .kind = ControlKind::TimeButton, .geometry = {614, 410, 22, 22}, .picture = QStringLiteral(":/lists/freccia_verde.svg"), .fills = "txtOraFine"},
    {.name = "shpAvvisi", .kind = ControlKind::Box, .geometry = {24, 325, 785, 24}, .fill = Qt::white, .visible = false},
    {.name = "lblAvvisi", .kind = ControlKind::Label, .geometry = {30, 327, 775, 20}, .font = {"Verdana", 11, true},
     .textColour = QColor(0xDC, 0x14, 0x3C), .visible = false},
    {.name = "lblPosizione", .kind = ControlKind::Label, .geometry = {719, 40, 82, 17}, .visible = false},
    {.name = "lblFile", .kind = ControlKind::Label, .geometry = {744, 47, 48, 18}, .visible = false},
};

#undef ENTRY

// The entry fields in record order, and the mandatory ones with their warnings.
const char *const kEntryFields[] = {"txtData", "txtDurata", "txtOraInizio", "txtOraFine",
                                    "txtVeicolo", "txtTarga", "txtIstruttore", "txtModulo"};

const struct {
    const char *field;
    const char *warning;
} kMandatory[] = {
    {"txtData", "Attenzione: per salvare la scheda \u00E8 necessario indicare la data della lezione di guida."},
    {"txtDurata", "Attenzione: per salvare la scheda \u00E8 necessario indicare la durata della lezione di guida."},
    {"txtVeicolo", "Attenzione: per salvare la scheda \u00E8 necessario indicare il veicolo utilizzato per la lezione di guida."},
    {"txtTarga", "Attenzione: per salvare la scheda \u00E8 necessario indicare la targa del veicolo utilizzato per la lezione di guida."},
    {"txtIstruttore", "Attenzione: per salvare la scheda \u00E8 necessario indicare l'istruttore che ha condotto la lezione di guida."},
    {"txtModulo", "Attenzione: per salvare la scheda \u00E8 necessario indicare il modulo corrispondente alla lezione di guida."},
};

RecordBuffer &lessonBuffer()
{
    return screenRecordBuffer<TfrmLezioniGuida>(LessonRecord::layout());
}

} // namespace

TfrmLezioniGuida::TfrmLezioniGuida(QWidget *parent)
    : Screen(parent, QStringLiteral(" Gestione lezioni di guida"), QSize(863, 616), QSize(833, 585), kTop)
    , m_changes(LessonRecord::layout(), [this](RecordBuffer &lesson) { fillLesson(lesson); })
{
    setObjectName(QStringLiteral("frmLezioniGuida"));
    makeFixedDialog();
    buildWhenNeeded([this] {
        buildControls(kListPanel);
        Panel *entry = addPanel("panCosti", QSize(833, 585));
        buildControls(kEntryPanel, entry);
        panCosti = entry;
        panCosti->hide();

        capture({{"lstRecords", &lstRecords}, {"lblTotale", &lblTotale}, {"lblPosizione", &lblPosizione}, {"lblFile", &lblFile}});
        m_quickFind = new QuickFindBar(control<QLineEdit>("txtTrova"), control<QPushButton>("btnTrova"), lstRecords);
        connect(control<QPushButton>("btnAggiungi"), &QPushButton::clicked, this, &TfrmLezioniGuida::btnAggiungiClick);
        connect(control<QPushButton>("btnModifica"), &QPushButton::clicked, this, &TfrmLezioniGuida::btnModificaClick);
        connect(control<QPushButton>("btnSalva"), &QPushButton::clicked, this, &TfrmLezioniGuida::btnSalvaClick);
        connect(control<QPushButton>("btnChiudi"), &QPushButton::clicked, this, &QDialog::reject);
        connect(control<QPushButton>("btnStampa"), &QPushButton::clicked, this, &TfrmLezioniGuida::btnStampaClick);
        connect(control<QPushButton>("btnRegistro"), &QPushButton::clicked, this, &TfrmLezioniGuida::btnRegistroClick);
        for (const char *time : {"txtOraInizio", "txtOraFine"})
            connect(control<QLineEdit>(time), &QLineEdit::editingFinished, this, &TfrmLezioniGuida::fillDuration);
        for (const char *name : kEntryFields)
            connect(control<QLineEdit>(name), &QLineEdit::textChanged, this, &TfrmLezioniGuida::showEntryWarnings);
        lstRecords->lineModel()->setRowMark([this](int row) {
            return m_warnings.contains(static_cast<int>(lstRecords->lineModel()->recordAt(row))) ? QColor(0xF2, 0xA9, 0x00)
                                                                                                  : QColor(Qt::transparent);
        });
        lstRecords->lineModel()->setRowHint([this](int row) {
            const auto found = m_warnings.find(static_cast<int>(lstRecords->lineModel()->recordAt(row)));
            return found == m_warnings.end() ? QString() : QStringLiteral("Attenzione: ") + found->second.join(QStringLiteral("; "));
        });
        connect(control<QPushButton>("cmdClose"), &QPushButton::clicked, this, &QDialog::reject);
    });
    FormCreate();
}

void TfrmLezioniGuida::FormCreate()
{
    FormatSettings::apply();
}

void TfrmLezioniGuida::showEvent(QShowEvent *event)
{
    Screen::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmLezioniGuida::FormShow()
{
    m_quickFind->reset();
    lblTotale->setText(QStringLiteral("0"));
    control<QLabel>("lblTitolo")->setText(QStringLiteral("Allievo: ") + TextField::trimmed(m_student.nome) + QLatin1Char(' ')
                                          + TextField::trimmed(m_student.cognome) + QStringLiteral(" - Cod. corso: ")
                                          + TextField::trimmed(m_student.codiceCorso));
    lblFile->setText(ProgramFolder::filePath(LessonRecord::fileName(m_student.posizione)));
    // Every record read passes through the screen's record buffer, as the new
    // lessons saved later are built in it.
    bool complete = true;
    RecordLines lines = Lines::readLessonLines(lblFile->text(), lessonBuffer(), &complete);
    lblTotale->setText(QString::number(lines.lines.size()));
    // Every lesson file is read once, for double bookings; the student's own
    // lessons for the hours come from the same reading.
    m_keywords = Lessons::loadKeywords(ProgramFolder::filePath(QStringLiteral("Autoscuola.ini")), true);
    const Lessons::Folder everyone = Lessons::readFolder(ProgramFolder::path());
    complete = complete && everyone.complete;
    m_bookings = everyone.bookings();
    m_lessons = everyone.lessonsOf(studentNumber());
    showSummary();
    lstRecords->lineModel()->setLines(std::move(lines));
    control<QLineEdit>("txtTrova")->setFocus(Qt::OtherFocusReason);
    // The total counts only the lessons read before the failure: the user is told.
    if (!complete)
        Dialogs::warning(incompleteListWarning());
}

qint64 TfrmLezioniGuida::studentNumber() const
{
    return TextField::trimmedString(m_student.posizione).toLongLong();
}

void TfrmLezioniGuida::showSummary()
{
    m_summary = Lessons::summarise(m_lessons, m_keywords, studentNumber(), m_bookings);
    m_warnings.clear();
    for (const Lessons::Warning &warning : m_summary.warnings)
        m_warnings[warning.lesson] << warning.text;
    const auto part = [](const QString &name, int done) {
        const QString text = QStringLiteral("%1 %2 / %3").arg(name, Lessons::durationText(done), Lessons::durationText(Lessons::kMandatoryMinutes));
        return done >= Lessons::kMandatoryMinutes ? QStringLiteral("\u2713 ") + text : text;
    };
    QString text = QStringLiteral("Ore: %1").arg(Lessons::durationText(m_summary.minutes));
    if (m_summary.unknown > 0)
        text += QStringLiteral(" (+%1 ?)").arg(m_summary.unknown);
    text += QStringLiteral("   ") + part(QStringLiteral("Notte"), m_summary.night) + QStringLiteral("   ")
            + part(QStringLiteral("Autostrada"), m_summary.motorway) + QStringLiteral("   ")
            + part(QStringLiteral("Extraurbana"), m_summary.extraUrban);
    if (m_summary.mandatoryDone())
        text += QStringLiteral("   Guide obbligatorie completate");
    control<QLabel>("lblOre")->setText(text);
}

void TfrmLezioniGuida::fillDuration()
{
    auto *duration = control<QLineEdit>("txtDurata");
    if (!TextField::trimmed(duration->text()).isEmpty())
        return; // what the user typed is kept
    const std::optional<int> minutes =
        Lessons::minutesBetween(control<QLineEdit>("txtOraInizio")->text(), control<QLineEdit>("txtOraFine")->text());
    if (minutes)
        duration->setText(Lessons::durationText(*minutes));
}

void TfrmLezioniGuida::showEntryWarnings()
{
    if (!isBuilt() || panCosti->isHidden())
        return;
    // The lesson as typed, in its place among the student's others.
    Lessons::Lesson typed;
    typed.number = lblPosizione->text().toInt();
    if (typed.number <= 0) {
        typed.number = 1;
        for (const Lessons::Lesson &lesson : m_lessons)
            typed.number = std::max(typed.number, lesson.number + 1);
    }
    const auto text = [this](const char *name) { return TextField::trimmedString(control<QLineEdit>(name)->text()); };
    typed.date = text("txtData");
    typed.duration = text("txtDurata");
    typed.start = text("txtOraInizio");
    typed.end = text("txtOraFine");
    typed.vehicle = text("txtVeicolo");
    typed.plate = text("txtTarga");
    typed.instructor = text("txtIstruttore");
    typed.module = text("txtModulo");
    std::vector<Lessons::Lesson> lessons;
    for (const Lessons::Lesson &lesson : m_lessons)
        if (lesson.number != typed.number)
            lessons.push_back(lesson);
    lessons.push_back(typed);
    QStringList said;
    for (const Lessons::Warning &warning : Lessons::summarise(lessons, m_keywords, studentNumber(), m_bookings).warnings)
        if (warning.lesson == typed.number)
            said << warning.text;
    // Nothing to say of a lesson not yet begun.
    const bool begun = !typed.date.isEmpty() || !typed.start.isEmpty() || !typed.duration.isEmpty();
    auto *label = control<QLabel>("lblAvvisi");
    label->setText(QStringLiteral("Attenzione: ") + said.join(QStringLiteral("; ")));
    label->setToolTip(label->text());
    label->setVisible(begun && !said.isEmpty());
    control("shpAvvisi")->setVisible(label->isVisible());
}

void TfrmLezioniGuida::btnRegistroClick()
{
    // The lessons as they are on disk now, and the student's data from the archive.
    m_lessons = Lessons::readLessons(lblFile->text());
    LessonRegister::Student student{TextField::trimmedString(m_student.cognome), TextField::trimmedString(m_student.nome), QString(),
                                    QString(), TextField::trimmedString(m_student.codiceCorso)};
    if (const std::optional<LessonRegister::Student> stored =
            LessonRegister::studentAt(ProgramFolder::filePath(QString::fromLatin1(StudentRecord::FileName)), studentNumber()))
        student = *stored;
    QString code;
    if (const std::optional<SchoolDefaults::Values> values = SchoolDefaults::read(SchoolDefaults::path()))
        code = values->code;
    Report::Document document = LessonRegister::create(student, code, m_lessons, m_keywords, Clock::now().date());
    document.setFileName(PrintSeam::printName(QStringLiteral("Registro guide"), student.surname, student.name));
    PrintSeam::print(document);
}

void TfrmLezioniGuida::showEntryPanel()
{
    panCosti->show();
    panel()->hide();
    showEntryWarnings();
    control<QLineEdit>("txtData")->setFocus(Qt::OtherFocusReason);
}

void TfrmLezioniGuida::btnAggiungiClick()
{
    for (const char *name : kEntryFields)
        control<QLineEdit>(name)->clear();
    lblPosizione->clear();
    m_loaded.forget();
    m_changes.markUnchanged();
    showEntryPanel();
}

void TfrmLezioniGuida::btnModificaClick()
{
    if (lstRecords->lineModel()->rowCount() == 0) {
        Dialogs::information(QStringLiteral("Modifica non applicabile: la lista non contiene nessuna voce."));
        return;
    }
    // The picked line stands for the lesson it was made from, whatever other line reads the same.
    const qint64 picked = lstRecords->selectedRecord();
    if (picked <= 0) {
        Dialogs::warning(QStringLiteral("Attenzione: selezionare una voce dall'elenco prima di premere il pulsante di modifica."));
        return;
    }
    bool found = false;
    try {
        RecordFile file;
        file.OpenOrCreate(lblFile->text(), LessonRecord::Size);
        // Read into the screen's record buffer, which keeps the last record of the
        // file; the lesson is saved from it.
        RecordBuffer &lesson = lessonBuffer();
        file.ScanRecords([&](std::span<const char> bytes) {
            lesson.setBytes(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
            if (file.CurrentRecord() + 1 != picked)
                return;
            showLesson(lesson);
            lblPosizione->setText(QString::number(picked));
            m_loaded.remember(picked, QByteArrayView(lesson.bytes()));
            found = true;
        });
        file.CloseRecordFile();
    } catch (const RecordFileError &) {
        reject(); // the entry panel is not on view yet: nothing to ask
        return;
    }
    // A lesson file shortened meanwhile no longer holds the lesson: as a failure to read it.
    if (!found) {
        reject();
        return;
    }
    m_changes.markUnchanged();
    showEntryPanel();
}

void TfrmLezioniGuida::btnSalvaClick()
{
    saveLesson();
}

bool TfrmLezioniGuida::saveLesson()
{
    for (const auto &mandatory : kMandatory) {
        auto *field = control<QLineEdit>(mandatory.field);
        if (TextField::trimmed(field->text()).isEmpty()) {
            Dialogs::warning(QString::fromUtf8(mandatory.warning));
            field->setFocus(Qt::OtherFocusReason);
            return false;
        }
    }
    const bool saved = RecordSaving::save({.path = TextField::trimmedString(lblFile->text()),
                                           .buffer = &lessonBuffer(),
                                           .loaded = &m_loaded,
                                           .position = lblPosizione,
                                           .failureKind = Dialogs::Kind::Warning,
                                           .fill = [this](RecordBuffer &lesson) { fillLesson(lesson); },
                                           .reload =
                                               [this](const RecordBuffer &lesson) {
                                                   showLesson(lesson);
                                                   m_changes.markUnchanged();
                                               }});
    if (saved) {
        m_changes.markUnchanged();
        m_lessons = Lessons::readLessons(lblFile->text());
        showSummary();
        showEntryWarnings();
    }
    return saved;
}

void TfrmLezioniGuida::fillLesson(RecordBuffer &lesson) const
{
    for (int field = 0; field < LessonRecord::FieldCount; ++field)
        lesson.setText(field, control<QLineEdit>(kEntryFields[field])->text());
}

bool TfrmLezioniGuida::hasUnsavedChanges() const
{
    return isBuilt() && !panCosti->isHidden() && m_changes.changed();
}

void TfrmLezioniGuida::showLesson(const RecordBuffer &lesson)
{
    for (int field = 0; field < LessonRecord::FieldCount; ++field)
        control<QLineEdit>(kEntryFields[field])->setText(lesson.text(field));
}

void TfrmLezioniGuida::btnStampaClick()
{
    QStringList lines = lstRecords->lineModel()->lines();
    lines << QString(26, QLatin1Char('-'))
          << QStringLiteral("TOTALE LEZIONI:    ") + TextField::trimmed(lblTotale->text());
    const QString title = QStringLiteral("Lezioni di guida dell'allievo ") + TextField::trimmed(m_student.nome) + QLatin1Char(' ')
        + TextField::trimmed(m_student.cognome) + QStringLiteral(" - Codice corso: ") + TextField::trimmed(m_student.codiceCorso);
    Report::ListDocument list = SummaryList::create(title, lines, Clock::now().date());
    list.wrap = true; // the module and the times are never lost off the end of a line
    list.fileName = PrintSeam::printName(QStringLiteral("Lezioni di guida"), m_student.cognome, m_student.nome);
    PrintSeam::print(list);
}

void TfrmLezioniGuida::reject()
{
    if (hasUnsavedChanges() && !RecordSaving::mayDropChanges(m_changes, [this] { return saveLesson(); }))
        return;
    Screen::reject();
}

void TfrmLezioniGuida::closeEvent(QCloseEvent *event)
{
    // The window closes through reject(), which may keep it open.
    Screen::closeEvent(event);
    if (event->isAccepted())
        lstRecords->lineModel()->clear();
}
