#include "shell/RecordSaving.h"

#include "shell/EditorNavigation.h"
#include "storage/ArchiveError.h"
#include "storage/RecordBuffer.h"
#include "storage/RecordFile.h"

#include <QApplication>
#include <QLabel>

#include <algorithm>

namespace RecordSaving {
namespace {

const QString kAppended = QStringLiteral("La scheda corrente \u00E8 stata inserita in archivio.");
const QString kSaved = QStringLiteral("Le modifiche apportate alla scheda corrente sono state salvate in archivio.");

bool g_locklessWarned = false;

std::span<const char> spanOf(const QByteArray &bytes)
{
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

} // namespace

QString changedElsewhereQuestion()
{
    return QStringLiteral("Attenzione: dopo la sua apertura, la scheda corrente \u00E8 stata modificata e salvata in archivio da "
                          "un'altra postazione.\r\n\r\nSi vuole sovrascriverla con i dati presenti a video?\r\n\r\n"
                          "Rispondendo No, verr\u00E0 visualizzata la scheda salvata dall'altra postazione e le modifiche "
                          "presenti a video andranno perse.");
}

QString locklessWarning()
{
    return QStringLiteral("Attenzione: la cartella del programma si trova su un disco che non permette di proteggere gli "
                          "archivi durante il salvataggio.\r\n\r\nSe pi\u00F9 postazioni salvano schede contemporaneamente "
                          "in questa cartella, alcune modifiche potrebbero andare perse.");
}

void warnIfWrittenWithoutLock(const RecordFile &file)
{
    if (!file.wroteWithoutLock() || g_locklessWarned)
        return;
    g_locklessWarned = true;
    Dialogs::warning(locklessWarning());
}

void showBusyWhileWaiting(bool waiting)
{
    if (waiting) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // Shown now: the wait keeps the program from returning to its event loop.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void startRun()
{
    g_locklessWarned = false;
    RecordFile::setLockWaitObserver(&showBusyWhileWaiting);
}

ChangeWatch::ChangeWatch(const RecordLayout &layout, Fill fill)
    : m_layout(&layout)
    , m_fill(std::move(fill))
{
}

QByteArray ChangeWatch::valuesNow() const
{
    RecordBuffer record(*m_layout);
    m_fill(record);
    // Each field's value: its length byte and as many characters, not the bytes
    // past them, which a shorter value leaves as they were.
    QByteArray values;
    values.reserve(record.size());
    for (int i = 0; i < m_layout->fieldCount(); ++i) {
        const std::span<const char> field = record.fieldBytes(i);
        const auto length = static_cast<unsigned char>(field.front());
        values.append(field.data(), std::min<qsizetype>(1 + length, static_cast<qsizetype>(field.size())));
    }
    return values;
}

void ChangeWatch::markUnchanged()
{
    m_unchanged = valuesNow();
}

bool ChangeWatch::changed() const
{
    return valuesNow() != m_unchanged;
}

QString unsavedChangesQuestion()
{
    return QStringLiteral("Salvare le modifiche alla scheda corrente?");
}

bool mayDropChanges(const ChangeWatch &changes, const std::function<bool()> &save)
{
    if (!changes.changed())
        return true;
    switch (Dialogs::ask(unsavedChangesQuestion())) {
    case Dialogs::Answer::Yes:
        return save();
    case Dialogs::Answer::No:
        return true;
    case Dialogs::Answer::Ok:
    case Dialogs::Answer::Cancel:
        break;
    }
    return false;
}

bool save(const Target &target)
{
    RecordBuffer &buffer = *target.buffer;
    try {
        const std::optional<EditorNavigation::Save> plan = EditorNavigation::planSave(target.position->text());
        if (!plan)
            throw RecordFileError(QStringLiteral("not a record number: ") + target.position->text());
        RecordFile file;
        file.OpenOrCreate(target.path, buffer.size());
        target.fill(buffer);
        bool appended = plan->append;
        if (plan->append) {
            file.AppendRecord(buffer);
        } else {
            file.SeekRecord(plan->record - 1);
            const bool checked = target.loaded->number == plan->record && target.loaded->bytes.size() == buffer.size();
            QByteArray stored;
            if (checked && !file.WriteRecordIfUnchanged(buffer.span(), spanOf(target.loaded->bytes), &stored)) {
                file.CloseRecordFile();
                if (!Dialogs::confirm(changedElsewhereQuestion())) {
                    // The stored record replaces what the screen showed, as a read does.
                    buffer.setBytes(stored);
                    target.loaded->remember(plan->record, stored);
                    target.reload(buffer);
                    return false;
                }
                file.OpenOrCreate(target.path, buffer.size());
                file.SeekRecord(plan->record - 1);
                file.WriteRecord(buffer);
            } else if (!checked) {
                file.WriteRecord(buffer);
            }
            // A record past the end of a file shortened elsewhere is appended at its end.
            appended = file.CurrentRecord() != plan->record;
        }
        target.position->setText(QString::number(file.CurrentRecord()));
        target.loaded->remember(file.CurrentRecord(), buffer.bytes());
        file.CloseRecordFile();
        warnIfWrittenWithoutLock(file);
        Dialogs::information(appended ? kAppended : kSaved);
        return true;
    } catch (const RecordFileError &e) {
        Dialogs::show(target.failureKind, ArchiveAccessError(e.cause()));
    }
    return false;
}

} // namespace RecordSaving
