#include "app/ScreenSet.h"

#include "access/CambiaPassword.h"
#include "access/Password.h"
#include "checks/CheckScreens.h"
#include "checks/TaxCodeAssist.h"
#include "export/ExportScreen.h"
#include "printing/PrintScreens.h"
#include "shell/HelpScreens.h"
#include "shell/RecordSaving.h"
#include "search/TrovaScreen.h"
#include "app/Avvio.h"
#include "storage/Layouts.h"
#include "storage/RecordBuffer.h"
#include "storage/TextField.h"
#include "students/AllegaCartella.h"
#include "students/Allievi.h"
#include "students/FrequentatoriOra.h"
#include "calendar/Scadenze.h"
#include "lessons/OreGuida.h"
#include "backup/CopiaSicurezza.h"
#include "students/LezioniGuida.h"
#include "tt2112/Mod_TT2112.h"

#include <QCheckBox>
#include <memory>
#include <optional>
#include <QLabel>
#include <QLineEdit>

ScreenSet::ScreenSet() = default;

ScreenSet::~ScreenSet()
{
    while (!m_screens.empty())
        m_screens.pop_back();
}

template <typename T>
T *ScreenSet::createResident(T *&slot)
{
    slot = new T();
    m_screens.emplace_back(slot);
    return slot;
}

template <typename T>
void ScreenSet::createOnDemandInstance()
{
    const ScreenKit::DeferredBuilding deferred;
    m_screens.emplace_back(new T());
}

void ScreenSet::createScreens()
{
    RecordSaving::startRun();
    createResident(m_frmPassword);
    createResident(m_frmAvvio);
    createResident(m_frmCambiaPassword);
    createOnDemandInstance<TfrmGuida>();
    createOnDemandInstance<TfrmSplash>();
    createOnDemandInstance<TfrmInfo>();
    createResident(m_frmAllievi);
    createOnDemandInstance<TfrmCodFisc>();
    createOnDemandInstance<TfrmPartitaIva>();
    createOnDemandInstance<TfrmAllegaCartella>();
    createOnDemandInstance<TfrmLezioniGuida>();
    createOnDemandInstance<TfrmFrequentatoriOra>(); // a first start leaves an empty student archive
    createOnDemandInstance<TfrmTrovaAllievi>();
    createOnDemandInstance<TfrmExpAllievi>();
    createOnDemandInstance<TfrmStampaAllievo>();
    createOnDemandInstance<TfrmIstruzioni>();
    createResident(m_frmMod_TT2112);
    createOnDemandInstance<TfrmTrovaModelli>();
    createOnDemandInstance<TfrmExpModelli>();
    createOnDemandInstance<TfrmAnteprima_Modello>();
    createOnDemandInstance<TfrmStampa_Modello>();
    connectScreens();
}

void ScreenSet::connectScreens()
{
    connect(m_frmPassword, &TfrmPassword::accessGranted, this, [this] {
        showMaximisedScreen(m_frmAvvio);
        m_frmPassword->hide();
    });
    connect(m_frmPassword, &TfrmPassword::changePasswordRequested, this, [this] {
        switchScreens(m_frmPassword, m_frmCambiaPassword);
        m_frmCambiaPassword->activateWindow();
    });
    connect(m_frmCambiaPassword, &TfrmCambiaPassword::closed, m_frmPassword, &TfrmPassword::comeBack);

    // The start screen and the two editors.
    const auto openEditor = [this](RecordEditor *editor) {
        showMaximisedScreen(editor);
        m_frmAvvio->hide();
    };
    connect(m_frmAvvio, &TfrmAvvio::modelloRequested, this, [=, this] { openEditor(m_frmMod_TT2112); });
    connect(m_frmAvvio, &TfrmAvvio::anagraficaRequested, this, [=, this] { openEditor(m_frmAllievi); });
    for (RecordEditor *editor : {static_cast<RecordEditor *>(m_frmMod_TT2112), static_cast<RecordEditor *>(m_frmAllievi)}) {
        connect(editor, &RecordEditor::closed, this, [this, editor] {
            showMaximisedScreen(m_frmAvvio);
            editor->hide();
        });
    }

    // What both editors do alike: attachments (each with its mode), the help page
    // (each with its topic), the technical prescriptions and the tax code check.
    using HelpTopics::Topic;
    const struct {
        RecordEditor *editor;
        QString attachMode;
        Topic topic;
    } editors[] = {{m_frmAllievi, QStringLiteral("allievi"), Topic::B}, {m_frmMod_TT2112, QStringLiteral("modello"), Topic::A}};
    for (const auto &entry : editors) {
        RecordEditor *editor = entry.editor;
        const QString attachMode = entry.attachMode;
        const Topic topic = entry.topic;
        connect(editor, &RecordEditor::fileRequested, this, [editor, attachMode] {
            ScreenKit::openOnDemand<TfrmAllegaCartella>(editor, attachMode,
                                                        [editor](TfrmAllegaCartella &screen) { screen.fillFrom(*editor); });
        });
        connect(editor, &RecordEditor::guidaRequested, this, [editor, topic] { showHelp(editor, topic); });
        connect(editor, &RecordEditor::prescrizioniRequested, this, [editor] { ScreenKit::openOnDemand<TfrmIstruzioni>(editor); });
        connect(editor, &RecordEditor::codFiscRequested, this,
                [editor] { openCheckFor(editor, editor->control<QLineEdit>("txtCodFiscPro")->text()); });
    }

    // The tax code fills in, computes and cross-checks the personal data of both
    // editors; the registry also has the state of birth to fill.
    TaxCodeAssist::attach(m_frmAllievi, true);
    TaxCodeAssist::attach(m_frmMod_TT2112, false);

    // The registry's lessons and current attendees.
    connect(m_frmAllievi, &TfrmAllievi::lezioniRequested, this, [this] {
        TfrmAllievi *registry = m_frmAllievi;
        ScreenKit::openOnDemand<TfrmLezioniGuida>(registry, QString(), [registry](TfrmLezioniGuida &screen) {
            screen.setStudent({registry->control<QLineEdit>("txtNome")->text(), registry->control<QLineEdit>("txtCognome")->text(),
                               registry->control<QLineEdit>("txtCodiceCor")->text(), registry->positionLabel()->text()});
        });
    });
    connect(m_frmAllievi, &TfrmAllievi::frequentatoriRequested, this, [this] {
        TfrmAllievi *registry = m_frmAllievi;
        ScreenKit::openOnDemand<TfrmFrequentatoriOra>(registry, QString(), [registry](TfrmFrequentatoriOra &screen) {
            // Several students may give the picked line: once the user keeps the
            // student on screen, none of them is loaded.
            screen.setLoader([registry, kept = false](const RecordBuffer &record, qint64 position) mutable {
                kept = kept || !registry->LoadStudentScreen(record, position);
            });
        });
    });
    // The deadlines: from the registry they load the student there; from the start
    // screen they open the registry with the student picked.
    connect(m_frmAllievi, &TfrmAllievi::scadenzeRequested, this, [this] {
        TfrmAllievi *registry = m_frmAllievi;
        ScreenKit::openOnDemand<TfrmScadenze>(registry, QStringLiteral("allievi"), [registry](TfrmScadenze &screen) {
            screen.setLoader([registry](const RecordBuffer &record, qint64 position) { registry->LoadStudentScreen(record, position); });
        });
    });
    connect(m_frmAvvio, &TfrmAvvio::scadenzeRequested, this, [=, this] {
        auto picked = std::make_shared<std::optional<std::pair<QByteArray, qint64>>>();
        ScreenKit::openOnDemand<TfrmScadenze>(m_frmAvvio, QStringLiteral("avvio"), [picked](TfrmScadenze &screen) {
            screen.setLoader([picked](const RecordBuffer &record, qint64 position) { *picked = std::pair(record.bytes(), position); });
        });
        if (!*picked)
            return;
        openEditor(m_frmAllievi);
        RecordBuffer record(StudentRecord::layout());
        record.setBytes((*picked)->first);
        m_frmAllievi->LoadStudentScreen(record, (*picked)->second);
    });
    connect(m_frmAllievi, &TfrmAllievi::oreGuidaRequested, this, [this] { ScreenKit::openOnDemand<TfrmOreGuida>(m_frmAllievi); });
    connect(m_frmAvvio, &TfrmAvvio::oreGuidaRequested, this, [this] { ScreenKit::openOnDemand<TfrmOreGuida>(m_frmAvvio); });
    connect(m_frmAvvio, &TfrmAvvio::copiaRequested, this, [this] { ScreenKit::openOnDemand<TfrmCopiaSicurezza>(m_frmAvvio); });
    connect(m_frmAvvio, &TfrmAvvio::closing, this, [this] { TfrmCopiaSicurezza::runAutomatic(m_frmAvvio); });
    connectSearches();
    connectPrinting();
    connectInformation();
}

void ScreenSet::connectInformation()
{
    using HelpTopics::Topic;
    connect(m_frmAvvio, &TfrmAvvio::infoRequested, this, [this] { ScreenKit::openOnDemand<TfrmInfo>(m_frmAvvio); });
    connect(m_frmAvvio, &TfrmAvvio::copyrightRequested, this, [this] { ScreenKit::openOnDemand<TfrmSplash>(m_frmAvvio); });
    connect(m_frmAvvio, &TfrmAvvio::guidaRequested, this, [this] { showHelp(m_frmAvvio, Topic::S); });
    // The exports, each with its own help page.
    connect(m_frmMod_TT2112, &RecordEditor::esportaRequested, this, [this] {
        ScreenKit::openOnDemand<TfrmExpModelli>(m_frmMod_TT2112, QString(), [](TfrmExpModelli &screen) {
            connect(&screen, &ExportScreen::guidaRequested, &screen, [&screen] { showHelp(&screen, Topic::C); });
        });
    });
    connect(m_frmAllievi, &RecordEditor::esportaRequested, this, [this] {
        ScreenKit::openOnDemand<TfrmExpAllievi>(m_frmAllievi, QString(), [](TfrmExpAllievi &screen) {
            connect(&screen, &ExportScreen::guidaRequested, &screen, [&screen] { showHelp(&screen, Topic::D); });
        });
    });
}

void ScreenSet::connectPrinting()
{
    // The form and the card print what the editors show, saved or not.
    const auto fieldsOf = [](QWidget *screen) {
        return [screen](const char *name) {
            const auto *field = screen->findChild<QLineEdit *>(QLatin1String(name));
            return field != nullptr ? field->text() : QString();
        };
    };
    const auto boxesOf = [](QWidget *screen) {
        return [screen](const char *name) {
            const auto *box = screen->findChild<QCheckBox *>(QLatin1String(name));
            return box != nullptr && box->isChecked();
        };
    };
    connect(m_frmMod_TT2112, &RecordEditor::stampaRequested, this, [=, this] {
        ScreenKit::openOnDemand<TfrmStampa_Modello>(m_frmMod_TT2112, QString(), [&](TfrmStampa_Modello &screen) {
            screen.setSource(fieldsOf(m_frmMod_TT2112), boxesOf(m_frmMod_TT2112));
            connect(&screen, &PrintScreen::printed, m_frmMod_TT2112, &TfrmMod_TT2112::notePrintedFit, Qt::UniqueConnection);
        });
    });
    connect(m_frmMod_TT2112, &TfrmMod_TT2112::anteprimaRequested, this, [=, this] {
        ScreenKit::openOnDemand<TfrmAnteprima_Modello>(m_frmMod_TT2112, QString(), [&](TfrmAnteprima_Modello &screen) {
            screen.setSource(fieldsOf(m_frmMod_TT2112), boxesOf(m_frmMod_TT2112));
        });
    });
    connect(m_frmAllievi, &RecordEditor::stampaRequested, this, [=, this] {
        ScreenKit::openOnDemand<TfrmStampaAllievo>(m_frmAllievi, QString(),
                                                   [&](TfrmStampaAllievo &screen) { screen.setSource(fieldsOf(m_frmAllievi)); });
    });
}

void ScreenSet::connectSearches()
{
    // Student search from the registry: the picked student becomes the registry's record.
    connect(m_frmAllievi, &RecordEditor::trovaRequested, this, [this] {
        TfrmAllievi *registry = m_frmAllievi;
        ScreenKit::openOnDemand<TfrmTrovaAllievi>(registry, QStringLiteral("allievi"), [registry](TfrmTrovaAllievi &screen) {
            screen.setPickHandler([registry, kept = false](std::span<const char> bytes, qint64 position) mutable {
                if (kept)
                    return; // the user kept the student on screen
                RecordBuffer record(StudentRecord::layout());
                record.setBytes(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
                kept = !registry->LoadStudentScreen(record, position);
            });
        });
    });
    // Student search from the form manager: the import of the applicant's data.
    connect(m_frmMod_TT2112, &TfrmMod_TT2112::importaRequested, this, [this] {
        TfrmMod_TT2112 *manager = m_frmMod_TT2112;
        ScreenKit::openOnDemand<TfrmTrovaAllievi>(manager, QStringLiteral("modello"), [manager](TfrmTrovaAllievi &screen) {
            screen.setPickHandler([manager](std::span<const char> bytes, qint64) {
                RecordBuffer record(StudentRecord::layout());
                record.setBytes(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
                manager->importStudent(record);
            });
        });
    });
    // Form search: the picked form becomes the manager's record.
    connect(m_frmMod_TT2112, &RecordEditor::trovaRequested, this, [this] {
        TfrmMod_TT2112 *manager = m_frmMod_TT2112;
        ScreenKit::openOnDemand<TfrmTrovaModelli>(manager, QStringLiteral("modelli"), [manager](TfrmTrovaModelli &screen) {
            screen.setPickHandler([manager, kept = false](std::span<const char> bytes, qint64 position) mutable {
                if (kept)
                    return; // the user kept the form on screen
                RecordBuffer record(TT2112Record::layout());
                record.setBytes(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
                kept = !manager->showArchivedForm(record, position);
            });
        });
    });
}

void ScreenSet::start()
{
    m_frmPassword->show();
    m_frmPassword->activateWindow();
}

void ScreenSet::switchScreens(QWidget *from, QWidget *to)
{
    to->show();
    from->hide();
}

void ScreenSet::showMaximisedScreen(QWidget *screen)
{
    screen->showMaximized();
    screen->raise();
    screen->activateWindow();
}
