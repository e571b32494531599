#pragma once

#include "shell/EditorNavigation.h"
#include "shell/RecordSaving.h"
#include "shell/ScreenKit.h"

#include <QList>

#include <functional>
#include <span>
#include <vector>

class QLabel;
class RecordBuffer;
struct RecordLayout;

// What the two editors (the TT 2112 manager and the student registry) share:
// browsing their archive record by record, new, save, and moving a record between
// the archive and the controls named after its fields.
// A text field of an editor with its caption 19 units above it.
#define VOLANTIX_EDITOR_FIELD(NAME, CAPTION, MAX, X, Y, W, ALIGN, FILTER, NEXT)                                         \
    {.name = "tit" NAME, .kind = ScreenKit::ControlKind::Label, .geometry = {X, (Y) - 19, 0, 0},                          \
     .caption = QStringLiteral(CAPTION), .font = RecordEditor::captionFont(), .textColour = RecordEditor::captionColour()}, \
    {.name = "txt" NAME, .kind = ScreenKit::ControlKind::TextField, .geometry = {X, Y, W, 22},                            \
     .font = RecordEditor::fieldFont(), .maxLength = MAX, .alignment = ALIGN, .filter = FILTER,                          \
     .focus = ScreenKit::FocusStyle::Background, .next = NEXT}

class RecordEditor : public ScreenKit::Screen
{
    Q_OBJECT

public:
    // A field that must not be blank to save, with its warning.
    struct MandatoryField {
        const char *control;
        QString warning;
    };

    // A date field, with what the warnings call it ("data di nascita").
    struct DateField {
        const char *control;
        const char *name;
    };

    struct Setup {
        QString archiveName;           // the file in the program folder
        const RecordLayout *layout;
        RecordBuffer *buffer;          // the screen class's record buffer
        std::span<const MandatoryField> mandatory;
        // Fields a new record keeps from the one before (the school's defaults).
        // On a new record they are the next record's defaults: changing them there
        // is not a change of the record.
        std::span<const char *const> keptOnNew = {};
        // Fields that should hold a real date written dd/mm/yyyy, when not empty.
        std::span<const DateField> dates = {};
        // A field whose value a new record should not share with a record in the
        // archive (nullptr: none), and what the warning calls it.
        const char *uniqueOnNew = nullptr;
        const char *uniqueName = nullptr;
    };

    RecordEditor(QWidget *parent, const QString &caption, QColor top, QSize panelSize, const Setup &setup);

    // A button of the editors' toolbars at `geometry`, with the picture and the
    // hint that it has on every editor.
    static ScreenKit::ControlDef tool(const char *name, QRect geometry);

    // The look the editors' text fields and their captions share.
    static const ScreenKit::FontStyle &fieldFont();
    static const ScreenKit::FontStyle &captionFont();
    static QColor captionColour();

    QString archivePath() const;

    // What looks wrong on the screen before it is saved, once the mandatory
    // fields are filled: a sentence, and the field to go back to. Warnings never
    // refuse a save: the user sees them all in one question and may save anyway.
    struct SaveWarning {
        QString text;
        QWidget *field = nullptr;
    };
    using SaveCheck = std::function<QList<SaveWarning>()>;
    // Checks run in the order they were added, before the editor's own (the
    // repeated value, then the dates).
    void addSaveCheck(SaveCheck check) { m_saveChecks.push_back(std::move(check)); }
    // Everything that looks wrong on the screen now, in the order the question lists it.
    QList<SaveWarning> saveWarnings() const;
    // The question that lists the warnings.
    static QString warningsQuestion(const QList<SaveWarning> &warnings);
    QLabel *positionLabel() const { return lblPosizione; }

    // Whether the record on screen was changed since it was loaded, cleared or saved.
    bool hasUnsavedChanges() const { return m_changes.changed(); }

    // The one way another screen (a search, a list) puts a record of the archive
    // on this screen as record number `position`. When the record on screen holds
    // changes, the user is asked first whether to save them; false when the
    // screen keeps its record (Annulla, or a save that failed or was refused).
    bool loadRecord(const RecordBuffer &record, qint64 position);

signals:
    // The screen was closed: the start screen comes back.
    void closed();
    // Side actions both editors offer; their screens are opened by the owner.
    void trovaRequested();
    void fileRequested();
    void stampaRequested();
    void esportaRequested();
    void guidaRequested();
    void prescrizioniRequested();
    void codFiscRequested();

public slots:
    void cmdPrimoClick();
    void cmdIndietroClick();
    void cmdAvantiClick();
    void cmdUltimoClick();
    void cmdNuovoClick();
    void cmdSalvaClick();
    void cmdEsciClick();

protected:
    // Puts the record's values into the controls of the same names; a yes/no value
    // other than "Sì" and "No" leaves its check box as it was.
    void loadRecordIntoScreen(const RecordBuffer &record);
    // Shows a record read from the archive as record number `position`: its values
    // in the controls, its number in lblPosizione. Saving later checks that the
    // stored record still holds what was read here. Asks nothing.
    void showRecord(const RecordBuffer &record, qint64 position);
    // The values on screen now are those of the record as loaded or saved.
    void markUnchanged() { m_changes.markUnchanged(); }
    // Before an action that drops the record on screen: asks whether to save its
    // changes, if any. True when the action may go on.
    bool mayLeaveRecord();
    // The save: mandatory fields, warnings, then the write. True when written.
    bool saveRecord();
    // Builds the record from the controls, every field stored trimmed.
    void storeScreenIntoRecord(RecordBuffer &record) const;
    // Empties the screen for a new record; `lblPosizione` is emptied too.
    virtual void clearScreen() = 0;
    // Empties every control bound to a record field, but those a new record keeps.
    void clearBoundControls();
    // Called when the user closes the screen, before the start screen comes back.
    virtual void aboutToClose() {}

    // Connects the toolbar's picture buttons to the actions of the same names.
    void connectToolbar();

    void closeEvent(QCloseEvent *event) override;

    RecordBuffer &recordBuffer() const { return *m_setup.buffer; }
    QLabel *lblPosizione = nullptr;

private:
    void navigate(EditorNavigation::Action action);
    // The values a save would store, as the change watch compares them.
    void storeWatchedValues(RecordBuffer &record) const;
    QList<SaveWarning> repeatedValueWarnings() const;
    QList<SaveWarning> dateWarnings() const;

    Setup m_setup;
    RecordSaving::LoadedRecord m_loaded;
    RecordSaving::ChangeWatch m_changes;
    std::vector<SaveCheck> m_saveChecks;
};
