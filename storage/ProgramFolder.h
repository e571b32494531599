#pragma once

#include <QString>

// The folder that holds the program file: every archive, the INI files and the
// attachments live there. Tests point it at a temporary folder.
namespace ProgramFolder {

// The folder, without a trailing separator.
QString path();
// The folder followed by `fileName`.
QString filePath(const QString &fileName);

// Replaces the folder for the rest of the run (an empty path restores the default).
void setOverride(const QString &folder);

} // namespace ProgramFolder
