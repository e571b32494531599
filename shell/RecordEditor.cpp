#include "shell/RecordEditor.h"

#include "shell/Dialogs.h"
#include "shell/RecordSaving.h"
#include "storage/ArchiveError.h"
#include "storage/ProgramFolder.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"
#include "storage/TextField.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

using EditorNavigation::Action;
using EditorNavigation::Step;

namespace {

const QString kEmptyArchive = QStringLiteral("L'archivio non contiene nessuna scheda.");

// The buttons the editors share: their pictures and hints.
const struct {
    const char *name;
    const char *picture;
    const char *hint;
} kTools[] = {
    {"cmdNuovo", ":/editor/nuovo.svg", "Prepara la schermata per la registrazione di una nuova scheda."},
    {"cmdImporta", ":/editor/importa.svg", "Importa i dati dall'archivio anagrafico degli allievi."},
    {"cmdSalva", ":/editor/salva.svg", "Salva la scheda corrente in archivio."},
    {"cmdTrova", ":/editor/trova.svg", "Trova una scheda in archivio."},
    {"cmdFrequentatoriOra", ":/editor/frequentatori.svg", "Visualizza il riepilogo degli allievi che frequentano corsi non ancora terminati."},
    {"cmdScadenze", ":/editor/scadenze.svg", "Visualizza le scadenze degli allievi: esami, foglio rosa e documenti."},
    {"cmdOreGuida", ":/editor/ore.svg", "Visualizza le ore di guida di ogni istruttore e di ogni veicolo."},
    {"cmdFile", ":/editor/allega.svg", "Allega file alla scheda corrente."},
    {"cmdAnteprima", ":/editor/anteprima.svg", "Visualizza l'anteprima di stampa della scheda corrente."},
    {"cmdStampa", ":/editor/stampa.svg", "Stampa la scheda corrente."},
    {"cmdPrimo", ":/editor/primo.svg", "Visualizza la prima scheda in archivio."},
    {"cmdIndietro", ":/editor/indietro.svg", "Visualizza la scheda precedente in archivio."},
    {"cmdAvanti", ":/editor/avanti.svg", "Visualizza la scheda successiva in archivio."},
    {"cmdUltimo", ":/editor/ultimo.svg", "Visualizza l'ultima scheda in archivio."},
    {"cmdEsporta", ":/editor/esporta.svg", "Esporta le schede in archivio in un file di Microsoft Excel."},
    {"cmdGuida", ":/editor/guida.svg", "Visualizza la guida in linea."},
    {"cmdEsci", ":/editor/esci.svg", "Esci dalla schermata di lavoro corrente."},
    {"btnCodFiscPro", ":/editor/codfisc.svg", "Controlla il codice fiscale."},
    {"btnCalcolaCodFisc", ":/editor/calcola.svg", "Calcola il codice fiscale dai dati anagrafici."},
    {"btnPrescrizioni", ":/editor/prescrizioni.svg", "Visualizza informazioni sulle prescrizioni tecniche."},
    {"btnEmail", ":/editor/email.svg", "Invia una e-mail all'indirizzo indicato."},
};

} // namespace

ScreenKit::ControlDef RecordEditor::tool(const char *name, QRect geometry)
{
    for (const auto &tool : kTools) {
        if (qstrcmp(tool.name, name) == 0)
            return {.name = tool.name, .kind = ScreenKit::ControlKind::PictureButton, .geometry = geometry,
                    .picture = QString::fromLatin1(tool.picture), .hint = QString::fromUtf8(tool.hint)};
    }
    Q_ASSERT_X(false, "RecordEditor::tool", name);
    return {};
}

const ScreenKit::FontStyle &RecordEditor::fieldFont()
{
    static const ScreenKit::FontStyle font{"Verdana", 12, true};
    return font;
}

const ScreenKit::FontStyle &RecordEditor::captionFont()
{
    static const ScreenKit::FontStyle font{"Verdana", 11};
    return font;
}

QColor RecordEditor::captionColour()
{
    return ScreenKit::argb(0xFF195E97);
}

RecordEditor::RecordEditor(QWidget *parent, const QString &caption, QColor top, QSize panelSize, const Setup &setup)
    : Screen(parent, caption, QSize(1016, 713), panelSize, top)
    , m_setup(setup)
    , m_changes(*setup.layout, [this](RecordBuffer &record) { storeWatchedValues(record); })
{
}

void RecordEditor::storeWatchedValues(RecordBuffer &record) const
{
    storeScreenIntoRecord(record);
    if (!TextField::trimmed(lblPosizione->text()).isEmpty())
        return;
    for (const char *kept : m_setup.keptOnNew)
        record.setText(record.layout().indexOf(kept), QString());
}

QString RecordEditor::archivePath() const
{
    return ProgramFolder::filePath(m_setup.archiveName);
}

void RecordEditor::connectToolbar()
{
    capture({{"lblPosizione", &lblPosizione}});
    connectPictureButtons<RecordEditor>({
        {"cmdPrimo", &RecordEditor::cmdPrimoClick},   {"cmdIndietro", &RecordEditor::cmdIndietroClick},
        {"cmdAvanti", &RecordEditor::cmdAvantiClick}, {"cmdUltimo", &RecordEditor::cmdUltimoClick},
        {"cmdNuovo", &RecordEditor::cmdNuovoClick},   {"cmdSalva", &RecordEditor::cmdSalvaClick},
        {"cmdEsci", &RecordEditor::cmdEsciClick},
        {"cmdTrova", &RecordEditor::trovaRequested},  {"cmdFile", &RecordEditor::fileRequested},
        {"cmdStampa", &RecordEditor::stampaRequested}, {"cmdEsporta", &RecordEditor::esportaRequested},
        {"cmdGuida", &RecordEditor::guidaRequested},  {"btnPrescrizioni", &RecordEditor::prescrizioniRequested},
        {"btnCodFiscPro", &RecordEditor::codFiscRequested},
    });
}

void RecordEditor::loadRecordIntoScreen(const RecordBuffer &record)
{
    const RecordLayout &layout = record.layout();
    for (int i = 0; i < layout.fieldCount(); ++i) {
        QWidget *widget = control(layout.field(i).name.data());
        if (auto *field = qobject_cast<QLineEdit *>(widget)) {
            field->setText(record.text(i));
        } else if (auto *box = qobject_cast<QCheckBox *>(widget)) {
            if (const std::optional<bool> yes = record.yesNo(i))
                box->setChecked(*yes);
        } else if (auto *label = qobject_cast<QLabel *>(widget)) {
            label->setText(record.text(i));
        }
    }
}

void RecordEditor::clearBoundControls()
{
    const RecordLayout &layout = *m_setup.layout;
    const std::span<const char *const> keep = m_setup.keptOnNew;
    for (int i = 0; i < layout.fieldCount(); ++i) {
        const std::string_view name = layout.field(i).name;
        if (std::find(keep.begin(), keep.end(), name) != keep.end())
            continue;
        QWidget *widget = control(name.data());
        if (auto *field = qobject_cast<QLineEdit *>(widget))
            field->clear();
        else if (auto *box = qobject_cast<QCheckBox *>(widget))
            box->setChecked(false);
        else if (auto *label = qobject_cast<QLabel *>(widget))
            label->clear();
    }
    lblPosizione->clear();
    m_loaded.forget();
}

void RecordEditor::showRecord(const RecordBuffer &record, qint64 position)
{
    loadRecordIntoScreen(record);
    lblPosizione->setText(QString::number(position));
    m_loaded.remember(position, QByteArrayView(record.bytes()));
    markUnchanged();
}

bool RecordEditor::loadRecord(const RecordBuffer &record, qint64 position)
{
    // The record may be the screen's own buffer, which a save rewrites: a copy.
    const QByteArray bytes = record.bytes();
    if (!mayLeaveRecord())
        return false;
    RecordBuffer loaded(record.layout());
    loaded.setBytes(bytes);
    showRecord(loaded, position);
    return true;
}

bool RecordEditor::mayLeaveRecord()
{
    return RecordSaving::mayDropChanges(m_changes, [this] { return saveRecord(); });
}

void RecordEditor::storeScreenIntoRecord(RecordBuffer &record) const
{
    const RecordLayout &layout = record.layout();
    for (int i = 0; i < layout.fieldCount(); ++i) {
        QWidget *widget = control(layout.field(i).name.data());
        if (auto *field = qobject_cast<QLineEdit *>(widget))
            record.setText(i, field->text());
        else if (auto *box = qobject_cast<QCheckBox *>(widget))
            record.setYesNo(i, box->isChecked());
        else if (auto *label = qobject_cast<QLabel *>(widget))
            record.setText(i, label->text());
    }
}

void RecordEditor::navigate(Action action)
{
    try {
        RecordFile file;
        file.OpenOrCreate(archivePath(), m_setup.layout->recordSize);
        std::optional<Step> step = EditorNavigation::plan(action, lblPosizione->text(), file.RecordCount());
        if (step && step->kind == Step::Kind::Load && hasUnsavedChanges()) {
            // The record on screen is about to be replaced: its changes first. A
            // save may append the record, so the step is planned again from there.
            file.CloseRecordFile();
            if (!mayLeaveRecord())
                return;
            file.OpenOrCreate(archivePath(), m_setup.layout->recordSize);
            step = EditorNavigation::plan(action, lblPosizione->text(), file.RecordCount());
        }
        if (!step)
            throw RecordFileError(QStringLiteral("not a record number: ") + lblPosizione->text());
        switch (step->kind) {
        case Step::Kind::Load:
            file.SeekRecord(step->record - 1);
            file.ReadRecord(recordBuffer());
            showRecord(recordBuffer(), file.CurrentRecord());
            file.CloseRecordFile();
            break;
        case Step::Kind::Empty:
            if (step->clearPosition)
                lblPosizione->clear();
            file.CloseRecordFile();
            Dialogs::information(kEmptyArchive);
            break;
        case Step::Kind::Nothing:
            file.CloseRecordFile();
            break;
        }
    } catch (const RecordFileError &e) {
        Dialogs::error(ArchiveAccessError(e.cause()));
    }
}

void RecordEditor::cmdPrimoClick()
{
    navigate(Action::First);
}

void RecordEditor::cmdIndietroClick()
{
    navigate(Action::Previous);
}

void RecordEditor::cmdAvantiClick()
{
    navigate(Action::Next);
}

void RecordEditor::cmdUltimoClick()
{
    navigate(Action::Last);
}

void RecordEditor::cmdNuovoClick()
{
    if (!mayLeaveRecord())
        return;
    try {
        clearScreen();
    } catch (const std::exception &) {
        Dialogs::error(ArchiveAccessError());
    }
}

void RecordEditor::cmdSalvaClick()
{
    saveRecord();
}

bool RecordEditor::saveRecord()
{
    for (const MandatoryField &mandatory : m_setup.mandatory) {
        auto *field = control<QLineEdit>(mandatory.control);
        if (TextField::trimmed(field->text()).isEmpty()) {
            Dialogs::warning(mandatory.warning);
            field->setFocus(Qt::OtherFocusReason);
            return false;
        }
    }
    if (const QList<SaveWarning> warnings = saveWarnings(); !warnings.isEmpty()) {
        if (!Dialogs::confirm(warningsQuestion(warnings))) {
            if (QWidget *field = warnings.first().field)
                field->setFocus(Qt::OtherFocusReason);
            return false;
        }
    }
    const bool saved = RecordSaving::save({.path = archivePath(),
                                           .buffer = &recordBuffer(),
                                           .loaded = &m_loaded,
                                           .position = lblPosizione,
                                           .failureKind = Dialogs::Kind::Error,
                                           .fill = [this](RecordBuffer &record) { storeScreenIntoRecord(record); },
                                           .reload =
                                               [this](const RecordBuffer &record) {
                                                   // The record as another workstation saved it: unchanged.
                                                   loadRecordIntoScreen(record);
                                                   markUnchanged();
                                               }});
    if (saved)
        markUnchanged();
    return saved;
}

QList<RecordEditor::SaveWarning> RecordEditor::saveWarnings() const
{
    QList<SaveWarning> warnings;
    for (const SaveCheck &check : m_saveChecks)
        warnings += check();
    warnings += repeatedValueWarnings();
    warnings += dateWarnings();
    return warnings;
}

QString RecordEditor::warningsQuestion(const QList<SaveWarning> &warnings)
{
    QString text = QStringLiteral("Attenzione: prima di salvare la scheda, controllare quanto segue.\r\n");
    for (const SaveWarning &warning : warnings)
        text += QStringLiteral("\r\n- ") + warning.text;
    return text + QStringLiteral("\r\n\r\nSalvare comunque?");
}

QList<RecordEditor::SaveWarning> RecordEditor::dateWarnings() const
{
    static const QRegularExpression kWritten(QStringLiteral("^[0-9]{2}/[0-9]{2}/[0-9]{4}$"));
    QList<SaveWarning> warnings;
    for (const DateField &date : m_setup.dates) {
        auto *field = control<QLineEdit>(date.control);
        const QString text = TextField::trimmedString(field->text());
        if (text.isEmpty())
            continue;
        if (kWritten.match(text).hasMatch() && QDate::fromString(text, QStringLiteral("dd/MM/yyyy")).isValid())
            continue;
        QString name = QString::fromUtf8(date.name);
        name[0] = name[0].toUpper();
        warnings.append({name + QStringLiteral(": \"") + text
                             + QStringLiteral("\" non \u00E8 una data valida nella forma gg/mm/aaaa."),
                         field});
    }
    return warnings;
}

QList<RecordEditor::SaveWarning> RecordEditor::repeatedValueWarnings() const
{
    if (m_setup.uniqueOnNew == nullptr || !TextField::trimmed(lblPosizione->text()).isEmpty())
        return {};
    auto *field = control<QLineEdit>(m_setup.uniqueOnNew);
    const QString value = TextField::upperAZ(TextField::trimmedString(field->text()));
    if (value.isEmpty())
        return {};
    const RecordLayout &layout = *m_setup.layout;
    const int valueField = layout.indexOf(m_setup.uniqueOnNew);
    const int surnameField = layout.indexOf("txtCognome");
    const int nameField = layout.indexOf("txtNome");
    QStringList holders;
    try {
        RecordFile file;
        file.OpenOrCreate(archivePath(), layout.recordSize);
        RecordBuffer record(layout);
        file.ScanRecords([&](std::span<const char> bytes) {
            record.setBytes(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
            if (TextField::upperAZ(record.text(valueField)) != value)
                return;
            QString holder = QStringLiteral("n. ") + QString::number(file.CurrentRecord() + 1);
            const QString person = QStringList{record.text(surnameField), record.text(nameField)}.join(u' ').trimmed();
            if (!person.isEmpty())
                holder += QStringLiteral(" (") + person + u')';
            holders.append(holder);
        });
        file.CloseRecordFile();
    } catch (const RecordFileError &) {
        return {}; // the save that follows reports an archive it cannot use
    }
    if (holders.isEmpty())
        return {};
    QString text = QString::fromUtf8(m_setup.uniqueName) + u' ' + value;
    text[0] = text[0].toUpper();
    if (holders.size() == 1)
        text += QStringLiteral(" \u00E8 gi\u00E0 presente in archivio nella scheda ") + holders.first() + u'.';
    else
        text += QStringLiteral(" \u00E8 gi\u00E0 presente in archivio nelle schede ") + holders.join(QStringLiteral(", ")) + u'.';
    return {{text, field}};
}

void RecordEditor::cmdEsciClick()
{
    close();
}

void RecordEditor::closeEvent(QCloseEvent *event)
{
    // Closing drops the record on screen: its changes first.
    if (!mayLeaveRecord()) {
        event->ignore();
        return;
    }
    aboutToClose();
    Screen::closeEvent(event);
    emit closed();
}
