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

// The stored file of a name; only the bare name counts, so a damaged name that
// holds folder parts cannot point outside the folder. Empty for no usable name.
QString storedPath(QStringView name);

// Creates the folder, with any missing parents.
bool ensureFolder();

// Whether `source` is the very file stored under its stored name.
bool isStoredFile(const QString &source);

// Copies `source` into the folder under its stored name, replacing a file of that
// name only once the copy is complete (never a half-copied file under the name).
// Only a regular file is copied (a pipe or a device would never end). On failure,
// `systemError` (when given) holds the system's error number, or 0 if none.
bool copyIn(const QString &source, int *systemError = nullptr);

} // namespace Attachments
