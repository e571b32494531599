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

// The stored file of a name; only the bare name counts, so a damaged name that
// holds folder parts cannot point outside the folder. Empty for no usable name.
QString storedPath(QStringView name);

// Creates the folder, with any missing parents.
bool ensureFolder();

// Whether `source` is the very file stored under its own name.
bool isStoredFile(const QString &source);

// Copies `source` into the folder under its bare name, replacing a file of that
// name only once the copy is complete (never a half-copied file under the name).
bool copyIn(const QString &source);

} // namespace Attachments
