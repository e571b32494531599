#pragma once

#include <QString>
#include <QStringView>

// The folder of attached files beside the program, shared by both archives:
// records refer to a stored file by its bare name only.
namespace Attachments {

QString folderName(); // "Documenti_Allegati"
QString folderPath(); // in the program folder

// The last component of a path, whichever separator it uses.
QString bareName(QStringView path);

// The name under which a chosen file is stored and that the record keeps: the
// file's own name (its last component on this system), trimmed, with "_" for
// every character that a record cannot hold (outside Windows-1252) or that
// Windows refuses in a file name (\ / : * ? " < > | and control characters),
// cut to the length of the record's field. The record stores exactly this name,
// so the stored file is found again by it.
QString storedName(const QString &chosenPath);

// Whether the stored name differs from the file's own name, and why.
enum class NameChange {
    None,
    Characters, // characters replaced by "_"
    Length,     // only cut to the field's length
};
NameChange storedNameChange(const QString &chosenPath);

// The stored file of a name; only the bare name counts, so a damaged name that
// holds folder parts cannot point outside the folder. Empty for no usable name.
QString storedPath(QStringView name);

// Creates the folder, with any missing parents.
bool ensureFolder();

// Whether `source` is the very file stored under its stored name.
bool isStoredFile(const QString &source);

// Whether two names stored in records denote the same file of the folder (the
// same name, or one file under names the system does not tell apart).
bool sameStoredFile(const QString &name, const QString &other);

// Whether `source` holds exactly the bytes of the file stored under `name`.
bool sameContent(const QString &source, const QString &name);

// The names the saved records of both archives link, as stored. An archive that
// cannot be read is skipped: `complete` (when given) says whether both were read.
QStringList linkedNames(bool *complete = nullptr);

// `name` when the folder holds no file of that name; otherwise the first of
// "name (2).ext", "name (3).ext" ... that no file of the folder has and no saved
// record links, within the length of the record's field.
QString freeName(const QString &name, const QStringList &linked);

// Copies `source` into the folder under its stored name, replacing a file of that
// name only once the copy is complete (never a half-copied file under the name).
// Only a regular file is copied (a pipe or a device would never end). On failure,
// `systemError` (when given) holds the system's error number, or 0 if none.
bool copyIn(const QString &source, int *systemError = nullptr);
// The same, under `name` instead of the stored name.
bool copyIn(const QString &source, const QString &name, int *systemError);

} // namespace Attachments
