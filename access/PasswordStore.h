#pragma once

#include "storage/IniFile.h"

#include <QString>

// The access password store: an INI file beside the program holding the
// scrambled password in section "Accesso", key "Valore".
namespace PasswordStore {

QString fileName();   // "unins000.dll"
QString section();    // "Accesso"
QString key();        // "Valore"
// The keyword of the first access, which a new installation's store holds.
QString firstAccessKeyword(); // "passacorridoio"

// The store in the program folder.
QString path();

// The scrambled value as stored (missing reads as empty).
IniFile::ReadResult readScrambled(const QString &storePath);

// Scrambles `plain` and writes it; false when the store cannot be written.
bool writePassword(const QString &storePath, const QString &plain);

// A new installation's store: the scrambled first-access keyword in upper case.
// Writes only when no file exists at `storePath`; returns false on a write failure.
bool createIfAbsent(const QString &storePath);

} // namespace PasswordStore
