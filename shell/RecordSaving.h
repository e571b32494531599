#pragma once

#include "shell/Dialogs.h"

#include <QByteArray>
#include <QString>

#include <functional>

class QLabel;
class RecordBuffer;
class RecordFile;
struct RecordLayout;

// Saving a record from a screen, as both editors and the lesson manager do it:
// append a new record, or overwrite the one on screen. Several computers may
// work on one shared folder, so a record is overwritten only after checking that
// nobody changed it since this screen read it; when somebody did, the user
// chooses between overwriting and reloading the stored record.
namespace RecordSaving {

// The record a screen shows, as it was read from the archive.
struct LoadedRecord {
    qint64 number = 0; // 1-based; 0 when the screen shows no stored record
    QByteArray bytes;

    void remember(qint64 recordNumber, QByteArrayView recordBytes)
    {
        number = recordNumber;
        bytes = recordBytes.toByteArray();
    }
    void forget()
    {
        number = 0;
        bytes.clear();
    }
};

struct Target {
    QString path;                    // the archive
    RecordBuffer *buffer = nullptr;  // the screen class's record buffer
    LoadedRecord *loaded = nullptr;  // what the screen read
    QLabel *position = nullptr;      // lblPosizione: blank for a new record
    Dialogs::Kind failureKind = Dialogs::Kind::Error;
    std::function<void(RecordBuffer &)> fill;         // the screen's values into the buffer
    std::function<void(const RecordBuffer &)> reload; // the stored record onto the screen
};

// Saves and says so ("inserita" or "salvate"), or reports the archive failure
// with the target's kind of message box. True when the record was written; false
// when the write failed or the user chose to reload a record changed elsewhere.
bool save(const Target &target);

// Whether the values on a screen differ from those it showed when its record was
// loaded, cleared or saved. Values are compared as the record would store them
// (trimmed, cut to their fields), so only a change that a save would write counts.
class ChangeWatch
{
public:
    using Fill = std::function<void(RecordBuffer &)>;
    ChangeWatch(const RecordLayout &layout, Fill fill);

    // The values on screen now are the unchanged ones.
    void markUnchanged();
    bool changed() const;

private:
    QByteArray valuesNow() const;

    const RecordLayout *m_layout;
    Fill m_fill;
    QByteArray m_unchanged;
};

// The question asked before an action drops changes that were not saved.
QString unsavedChangesQuestion();

// Before an action that would drop the record on screen: when it holds changes,
// asks whether to save them. True when the action may go on: nothing changed, or
// the user answered No, or Sì and `save` saved the record. False when the screen
// stays as it is: Annulla, or a save that failed or was refused.
bool mayDropChanges(const ChangeWatch &changes, const std::function<bool()> &save);

// The question asked when the record was changed elsewhere since it was read.
QString changedElsewhereQuestion();
// The warning given once per run when a write could not lock the archive.
QString locklessWarning();

// After any write: warns, once per run, that the archive's folder does not take
// the locks that keep two computers from losing each other's records.
void warnIfWrittenWithoutLock(const RecordFile &file);

// A new run: the warnings given once per run may be given again, and the busy
// pointer shows while a save waits for another computer's lock.
void startRun();

// The busy pointer while a write waits for a lock (the lock-wait observer).
void showBusyWhileWaiting(bool waiting);

} // namespace RecordSaving
