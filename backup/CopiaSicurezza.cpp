#include "backup/CopiaSicurezza.h"

#include "backup/BackupSettings.h"
#include "shell/Clock.h"
#include "shell/Dialogs.h"
#include "storage/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QThreadPool>
#include <QTimer>

#include <mutex>

using namespace ScreenKit;

namespace {

bool g_paused = false;

const QString kPasswordWarning = QStringLiteral(
    "Attenzione: una copia protetta da password non si pu\u00F2 ripristinare senza la sua password. Conservarla in un luogo sicuro.");

std::vector<ControlDef> controls()
{
    const FontStyle text{"Verdana", 11};
    const FontStyle bold{"Verdana", 11, true};
    const QColor ink = argb(0xFF1F3A5F);
    return {
        {.name = "shpContainer", .kind = ControlKind::Box, .geometry = {8, 8, 537, 452}, .fill = argb(0xFFF3F1F1)},
        {.name = "imgLogo", .kind = ControlKind::Picture, .geometry = {24, 16, 505, 55}, .picture = QStringLiteral(":/backup/copia_banner.svg")},
        {.name = "lblCartella", .kind = ControlKind::Label, .geometry = {20, 84, 0, 0}, .caption = QStringLiteral("Cartella delle copie di sicurezza"),
         .font = bold, .textColour = ink},
        {.name = "txtCartella", .kind = ControlKind::TextField, .geometry = {20, 103, 398, 24}, .font = text, .readOnly = true},
        {.name = "btnSfoglia", .kind = ControlKind::Button, .geometry = {426, 101, 110, 28}, .caption = QStringLiteral("Sfoglia..."),
         .hint = QStringLiteral("Sceglie la cartella delle copie, per esempio su un disco USB.")},
        {.name = "lblUltima", .kind = ControlKind::Label, .geometry = {20, 135, 516, 36}, .font = bold, .textColour = argb(0xFF2E8B57),
         .wordWrap = true},
        {.name = "lblGiorni", .kind = ControlKind::Label, .geometry = {20, 182, 0, 0},
         .caption = QStringLiteral("Copia automatica alla chiusura se l'ultima ha pi\u00F9 di"), .font = text, .textColour = ink},
        {.name = "txtGiorni", .kind = ControlKind::TextField, .geometry = {400, 179, 44, 22}, .font = bold, .maxLength = 3,
         .alignment = Qt::AlignCenter, .focus = FocusStyle::Background, .next = "txtConserva"},
        {.name = "lblGiorni2", .kind = ControlKind::Label, .geometry = {450, 182, 0, 0}, .caption = QStringLiteral("giorni (0 = mai)"),
         .font = text, .textColour = ink},
        {.name = "lblConserva", .kind = ControlKind::Label, .geometry = {20, 210, 0, 0},
         .caption = QStringLiteral("Copie da conservare nella cartella"), .font = text, .textColour = ink},
        {.name = "txtConserva", .kind = ControlKind::TextField, .geometry = {400, 207, 44, 22}, .font = bold, .maxLength = 4,
         .alignment = Qt::AlignCenter, .focus = FocusStyle::Background, .next = "txtPassword"},
        {.name = "lblPassword", .kind = ControlKind::Label, .geometry = {20, 244, 0, 0}, .caption = QStringLiteral("Password delle copie"),
         .font = text, .textColour = ink},
        {.name = "txtPassword", .kind = ControlKind::TextField, .geometry = {170, 241, 140, 22}, .font = text,
         .focus = FocusStyle::Background, .next = "txtConferma", .masked = true},
        {.name = "lblConferma", .kind = ControlKind::Label, .geometry = {320, 244, 0, 0}, .caption = QStringLiteral("Conferma"), .font = text,
         .textColour = ink},
        {.name = "txtConferma", .kind = ControlKind::TextField, .geometry = {396, 241, 140, 22}, .font = text,
         .focus = FocusStyle::Background, .next = "btnPassword", .masked = true},
        {.name = "btnPassword", .kind = ControlKind::Button, .geometry = {170, 268, 190, 28}, .caption = QStringLiteral("Imposta password"),
         .hint = QStringLiteral("Protegge le copie con la password scritta (vuota: copie senza password).")},
        {.name = "lblAvviso", .kind = ControlKind::Label, .geometry = {20, 302, 516, 32}, .caption = kPasswordWarning, .font = {"Verdana", 10},
         .textColour = argb(0xFF7A0010), .wordWrap = true},
        {.name = "prgCopia", .kind = ControlKind::ProgressBar, .geometry = {20, 342, 516, 20}},
        {.name = "lblFile", .kind = ControlKind::Label, .geometry = {20, 366, 516, 16}, .font = {"Verdana", 10}, .textColour = ink},
        {.name = "btnEsegui", .kind = ControlKind::Button, .geometry = {20, 392, 180, 30}, .caption = QStringLiteral("Esegui copia adesso"),
         .hint = QStringLiteral("Copia archivi, lezioni, allegati e impostazioni in un nuovo file zip e lo verifica.")},
        {.name = "btnAnnulla", .kind = ControlKind::Button, .geometry = {208, 392, 100, 30}, .caption = QStringLiteral("Annulla"),
         .hint = QStringLiteral("Interrompe l'operazione in corso."), .enabled = false},
        {.name = "btnRipristina", .kind = ControlKind::Button, .geometry = {316, 392, 112, 30}, .caption = QStringLiteral("Ripristina..."),
         .hint = QStringLiteral("Rimette i dati di una copia di sicurezza al posto di quelli attuali.")},
        {.name = "btnChiudi", .kind = ControlKind::Button, .geometry = {436, 392, 100, 30}, .caption = QStringLiteral("Chiudi"),
         .hint = QStringLiteral("Chiude questa finestra.")},
        {.name = "shpInfo", .kind = ControlKind::Box, .geometry = {8, 430, 537, 30}, .fill = argb(0xFF1F3A5F)},
        {.name = "panInfo", .kind = ControlKind::StatusLine, .geometry = {14, 436, 525, 20},
         .caption = QStringLiteral("Copia di sicurezza dei dati della scuola."), .font = {"Tahoma", 12}, .textColour = Qt::white},
    };
}

QString sizeText(qint64 bytes)
{
    return QLocale(QLocale::Italian, QLocale::Italy).formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

QString whenText(const QDateTime &when)
{
    return when.toString(QStringLiteral("dd/MM/yyyy 'alle' HH:mm"));
}

std::optional<QDateTime> lastBackupTime(const QString &folder)
{
    const std::vector<Backup::Found> found = Backup::list(folder);
    if (found.empty())
        return std::nullopt;
    return found.front().when;
}

} // namespace

TfrmCopiaSicurezza::TfrmCopiaSicurezza(QWidget *parent)
    : Screen(parent, QStringLiteral(" Copia di sicurezza"), QSize(553, 468), QSize(553, 468), argb(0xFF6792B7))
{
    setObjectName(QStringLiteral("frmCopiaSicurezza"));
    makeFixedDialog();
    buildWhenNeeded([this] {
        buildControls(controls());
        capture({{"txtCartella", &txtCartella},
                 {"txtGiorni", &txtGiorni},
                 {"txtConserva", &txtConserva},
                 {"txtPassword", &txtPassword},
                 {"txtConferma", &txtConferma},
                 {"lblUltima", &lblUltima},
                 {"lblFile", &lblFile},
                 {"prgCopia", &prgCopia}});
        txtGiorni->setValidator(new QIntValidator(0, 365, txtGiorni));
        txtConserva->setValidator(new QIntValidator(1, 1000, txtConserva));
        connect(control<QPushButton>("btnSfoglia"), &QPushButton::clicked, this, &TfrmCopiaSicurezza::btnSfogliaClick);
        connect(control<QPushButton>("btnEsegui"), &QPushButton::clicked, this, &TfrmCopiaSicurezza::btnEseguiClick);
        connect(control<QPushButton>("btnAnnulla"), &QPushButton::clicked, this, &TfrmCopiaSicurezza::btnAnnullaClick);
        connect(control<QPushButton>("btnRipristina"), &QPushButton::clicked, this, &TfrmCopiaSicurezza::btnRipristinaClick);
        connect(control<QPushButton>("btnPassword"), &QPushButton::clicked, this, &TfrmCopiaSicurezza::btnPasswordClick);
        connect(control<QPushButton>("btnChiudi"), &QPushButton::clicked, this, [this] {
            saveNumbers();
            reject();
        });
        connect(txtGiorni, &QLineEdit::editingFinished, this, &TfrmCopiaSicurezza::saveNumbers);
        connect(txtConserva, &QLineEdit::editingFinished, this, &TfrmCopiaSicurezza::saveNumbers);
        const BackupSettings::Settings settings = BackupSettings::load();
        txtGiorni->setText(QString::number(settings.everyDays));
        txtConserva->setText(QString::number(settings.keep));
        m_advised = settings.advised;
        refresh();
    });
}

bool TfrmCopiaSicurezza::automaticPaused()
{
    return g_paused;
}

void TfrmCopiaSicurezza::refresh()
{
    const BackupSettings::Settings settings = BackupSettings::load();
    const QString folder = BackupSettings::destination(settings);
    txtCartella->setText(QDir::toNativeSeparators(folder));
    const std::vector<Backup::Found> found = Backup::list(folder);
    if (found.empty()) {
        lblUltima->setText(QStringLiteral("Nessuna copia di sicurezza in questa cartella."));
    } else {
        lblUltima->setText(QStringLiteral("Ultima copia verificata: %1 (%2)\n%3")
                               .arg(whenText(found.front().when), sizeText(found.front().size), QFileInfo(found.front().path).fileName()));
    }
    const bool protectedCopies = !BackupSettings::storedPassword().isEmpty();
    control<QPushButton>("btnPassword")->setText(protectedCopies ? QStringLiteral("Cambia password") : QStringLiteral("Imposta password"));
}

void TfrmCopiaSicurezza::showEvent(QShowEvent *event)
{
    Screen::showEvent(event);
    if (event->spontaneous())
        return;
    control<QPushButton>("btnEsegui")->setFocus(Qt::OtherFocusReason);
    // Copies of identity documents travel in every backup: a password is
    // advised once, when there is none.
    if (!m_advised && !m_working && BackupSettings::storedPassword().isEmpty()) {
        m_advised = true;
        BackupSettings::Settings settings = BackupSettings::load();
        settings.advised = true;
        BackupSettings::save(settings);
        QTimer::singleShot(0, this, [] {
            Dialogs::information(QStringLiteral("Gli allegati degli allievi contengono copie dei documenti d'identit\u00E0: "
                                                "si consiglia di proteggere le copie di sicurezza con una password."));
        });
    }
}

void TfrmCopiaSicurezza::saveNumbers()
{
    BackupSettings::Settings settings = BackupSettings::load();
    bool ok = false;
    const int days = txtGiorni->text().trimmed().toInt(&ok);
    if (ok && days >= 0)
        settings.everyDays = days;
    const int keep = txtConserva->text().trimmed().toInt(&ok);
    if (ok && keep >= 1)
        settings.keep = keep;
    const BackupSettings::Settings stored = BackupSettings::load();
    if (settings.everyDays != stored.everyDays || settings.keep != stored.keep) {
        if (!BackupSettings::save(settings))
            Dialogs::warning(QStringLiteral("Impossibile salvare le impostazioni delle copie di sicurezza in Autoscuola.ini."));
    }
    txtGiorni->setText(QString::number(settings.everyDays));
    txtConserva->setText(QString::number(settings.keep));
}

void TfrmCopiaSicurezza::btnSfogliaClick()
{
    BackupSettings::Settings settings = BackupSettings::load();
    const QString chosen = Dialogs::existingFolder(QStringLiteral("Cartella delle copie di sicurezza"), BackupSettings::destination(settings));
    if (chosen.isEmpty())
        return;
    if (BackupSettings::insideProgramFolder(chosen)) {
        Dialogs::warning(QStringLiteral("La cartella delle copie di sicurezza non pu\u00F2 trovarsi nella cartella del programma: "
                                        "un guasto del disco le perderebbe insieme ai dati. Scegliere un'altra cartella, "
                                        "per esempio su un disco USB."));
        return;
    }
    settings.folder = QDir::cleanPath(chosen);
    if (!BackupSettings::save(settings)) {
        Dialogs::warning(QStringLiteral("Impossibile salvare la cartella scelta in Autoscuola.ini."));
        return;
    }
    refresh();
}

void TfrmCopiaSicurezza::btnPasswordClick()
{
    const QString password = txtPassword->text();
    if (password != txtConferma->text()) {
        Dialogs::warning(QStringLiteral("La password e la conferma non coincidono."));
        txtConferma->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (!password.isEmpty() && password.size() < 6) {
        Dialogs::warning(QStringLiteral("La password delle copie di sicurezza deve avere almeno 6 caratteri."));
        txtPassword->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (password.isEmpty() && !BackupSettings::storedPassword().isEmpty()
        && !Dialogs::confirm(QStringLiteral("Le prossime copie di sicurezza non saranno protette da password. Continuare?")))
        return;
    if (!BackupSettings::storePassword(password)) {
        Dialogs::warning(QStringLiteral("Impossibile salvare la password delle copie di sicurezza."));
        return;
    }
    txtPassword->clear();
    txtConferma->clear();
    refresh();
    Dialogs::information(password.isEmpty() ? QStringLiteral("Le prossime copie di sicurezza non saranno protette da password.")
                                             : QStringLiteral("Le prossime copie di sicurezza saranno protette dalla password impostata.\n\n")
                                                   + kPasswordWarning);
}

void TfrmCopiaSicurezza::setWorking(bool working)
{
    m_working = working;
    for (const char *name : {"btnSfoglia", "btnEsegui", "btnRipristina", "btnChiudi", "btnPassword"})
        control<QPushButton>(name)->setEnabled(!working);
    for (QLineEdit *field : {txtGiorni, txtConserva, txtPassword, txtConferma})
        field->setEnabled(!working);
    control<QPushButton>("btnAnnulla")->setEnabled(working);
    if (working)
        control<QPushButton>("btnAnnulla")->setFocus(Qt::OtherFocusReason);
}

Backup::Result TfrmCopiaSicurezza::runWork(const std::function<Backup::Result(const Backup::Progress &)> &work)
{
    struct Shared {
        std::mutex mutex;
        qint64 done = 0;
        qint64 total = 0;
        QString file;
        std::atomic<bool> finished{false};
        Backup::Result result;
    };
    auto shared = std::make_shared<Shared>();
    m_cancel = false;
    setWorking(true);
    prgCopia->setValue(0);
    lblFile->clear();
    std::atomic<bool> *cancel = &m_cancel;
    // A thread of Qt's own pool, not a plain one: the work opens files through
    // Qt objects, and a plain thread would have to be adopted by Qt, which then
    // watches it from a thread of its own until it ends.
    QThreadPool::globalInstance()->start([shared, work, cancel] {
        Backup::Result result = work([shared, cancel](qint64 done, qint64 total, const QString &file) {
            const std::lock_guard<std::mutex> lock(shared->mutex);
            shared->done = done;
            shared->total = total;
            shared->file = file;
            return !cancel->load();
        });
        {
            const std::lock_guard<std::mutex> lock(shared->mutex);
            shared->result = std::move(result);
        }
        shared->finished = true;
    });
    QEventLoop loop;
    QTimer timer;
    QPointer<QProgressBar> bar = prgCopia;
    QPointer<QLabel> label = lblFile;
    connect(&timer, &QTimer::timeout, &loop, [&] {
        {
            const std::lock_guard<std::mutex> lock(shared->mutex);
            if (bar && shared->total > 0)
                bar->setValue(static_cast<int>(std::min<qint64>(1000, shared->done * 1000 / shared->total)));
            if (label)
                label->setText(shared->file.isEmpty() ? QString() : QStringLiteral("Lettura di %1").arg(shared->file));
        }
        if (shared->finished)
            loop.quit();
    });
    timer.start(50);
    loop.exec();
    setWorking(false);
    const Backup::Result result = shared->result;
    prgCopia->setValue(result.ok() ? 1000 : 0);
    lblFile->clear();
    return result;
}

void TfrmCopiaSicurezza::btnAnnullaClick()
{
    m_cancel = true;
}

Backup::Result TfrmCopiaSicurezza::backupNow()
{
    const BackupSettings::Settings settings = BackupSettings::load();
    const QString folder = BackupSettings::destination(settings);
    const Backup::CreateOptions options = BackupSettings::createOptions();
    const QString dataFolder = ProgramFolder::path();
    Backup::Result result = runWork([dataFolder, folder, options](const Backup::Progress &progress) {
        Backup::Result made = Backup::create(dataFolder, folder, options, progress);
        return made;
    });
    if (result.ok())
        Backup::rotate(folder, settings.keep);
    refresh();
    return result;
}

void TfrmCopiaSicurezza::btnEseguiClick()
{
    saveNumbers();
    const BackupSettings::Settings settings = BackupSettings::load();
    if (BackupSettings::insideProgramFolder(BackupSettings::destination(settings))) {
        Dialogs::warning(QStringLiteral("La cartella delle copie di sicurezza non pu\u00F2 trovarsi nella cartella del programma. "
                                        "Sceglierne un'altra con Sfoglia."));
        return;
    }
    const Backup::Result result = backupNow();
    if (result.ok())
        Dialogs::information(QStringLiteral("Copia di sicurezza eseguita e verificata:\n%1 (%2)")
                                 .arg(QDir::toNativeSeparators(result.path), sizeText(result.size)));
    else if (result.outcome == Backup::Outcome::Cancelled)
        Dialogs::information(QStringLiteral("Copia di sicurezza annullata: non \u00E8 stato scritto nessun file."));
    else
        Dialogs::warning(result.message);
}

void TfrmCopiaSicurezza::btnRipristinaClick()
{
    const QString zip = Dialogs::openFileName(QStringLiteral("Ripristina una copia di sicurezza"),
                                              QStringLiteral("Copie di sicurezza (Volantix_backup_*.zip);;Tutti i file (*.*)"));
    if (zip.isEmpty())
        return;
    QString password;
    const std::optional<bool> encrypted = Backup::isEncrypted(zip);
    if (!encrypted) {
        Dialogs::warning(QStringLiteral("%1 non \u00E8 una copia di sicurezza leggibile.").arg(QFileInfo(zip).fileName()));
        return;
    }
    if (*encrypted) {
        const std::optional<QString> given = Dialogs::askPassword(QStringLiteral("Password della copia di sicurezza"),
                                                                  QStringLiteral("La copia \u00E8 protetta da password. Password:"));
        if (!given)
            return;
        password = *given;
    }
    Backup::Preview preview;
    const Backup::Result looked = Backup::preview(zip, password, &preview);
    if (!looked.ok()) {
        Dialogs::warning(looked.message);
        return;
    }
    QString names = preview.firstStudents.mid(0, 5).join(QStringLiteral(", "));
    if (preview.students > 5)
        names += QStringLiteral(", ...");
    const QString text =
        QStringLiteral("Ripristinare la copia di sicurezza del %1 (Volantix %2)?\n\n"
                       "Contiene %3 allievi, %4 modelli TT 2112, %5 file di lezioni e %6 allegati.%7\n\n"
                       "Saranno sostituiti gli archivi degli allievi e dei modelli, tutti i file delle lezioni, "
                       "la cartella Documenti_Allegati, Autoscuola.ini e unins000.dll. Prima del ripristino "
                       "viene fatta una copia di sicurezza dei dati attuali.")
            .arg(whenText(preview.manifest.created), preview.manifest.version)
            .arg(preview.students)
            .arg(preview.forms)
            .arg(preview.lessonFiles)
            .arg(preview.attachments)
            .arg(names.isEmpty() ? QString() : QStringLiteral("\nPrimi allievi: ") + names);
    if (!Dialogs::confirm(text))
        return;
    const Backup::RestoreOptions options = BackupSettings::restoreOptions(password);
    const QString dataFolder = ProgramFolder::path();
    const Backup::Result result = runWork([zip, dataFolder, options](const Backup::Progress &progress) {
        return Backup::restore(zip, dataFolder, options, progress);
    });
    refresh();
    if (result.ok()) {
        // The data now are those of the backup: no automatic backup replaces
        // the newest ones with them before the program starts again.
        g_paused = true;
        Dialogs::information(QStringLiteral("Ripristino completato. I dati sostituiti sono conservati nella copia di sicurezza\n%1\n\n"
                                            "Le copie automatiche riprenderanno al prossimo avvio del programma.")
                                 .arg(QDir::toNativeSeparators(result.path)));
    } else if (result.outcome == Backup::Outcome::Cancelled) {
        Dialogs::information(QStringLiteral("Ripristino annullato: i dati attuali non sono stati toccati."));
    } else {
        Dialogs::warning(result.message);
    }
}

bool TfrmCopiaSicurezza::runAutomatic(QWidget *parent)
{
    if (g_paused)
        return false;
    const BackupSettings::Settings settings = BackupSettings::load();
    const QString folder = BackupSettings::destination(settings);
    if (!BackupSettings::automaticDue(settings, lastBackupTime(folder), Clock::now()) || BackupSettings::insideProgramFolder(folder))
        return false;
    TfrmCopiaSicurezza screen(parent);
    screen.m_advised = true; // no advice while the program closes
    screen.control<QLabel>("panInfo")->setText(QStringLiteral("Copia di sicurezza automatica in corso..."));
    screen.show();
    // On the screen before the work begins.
    QCoreApplication::processEvents();
    const Backup::Result result = screen.backupNow();
    if (!result.ok() && result.outcome != Backup::Outcome::Cancelled)
        Dialogs::warning(QStringLiteral("La copia di sicurezza automatica non \u00E8 riuscita.\n%1\n\nIl programma viene chiuso comunque.")
                             .arg(result.message));
    return true;
}
