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

// The login check and the password change, as the access screens run them.
namespace PasswordCheck {

enum class LoginResult {
    Granted,
    Wrong,     // the typed password is not the stored one (or there is no store)
    ReadError, // the store cannot be read, or its value is not hexadecimal
    Damaged,   // the store is there but holds no password (empty, cut, overwritten)
};

struct Login {
    LoginResult result = LoginResult::Wrong;
    QString unscrambled; // the stored value unscrambled, before trimming
};

// Compares `typed` (a-z turned into A-Z, trimmed) with the stored password (trimmed).
Login checkLogin(const QString &storePath, const QString &typed);

enum class ChangeResult {
    Done,
    WrongOld,     // the old password typed is not the stored one
    NotConfirmed, // new password and confirmation differ (case counts)
    Unstorable,   // longer than 255 characters, or a character the scrambling cannot keep
    Failed,       // the store cannot be read or written, or its value is not hexadecimal
    Damaged,      // the store is there but holds no password (empty, cut, overwritten)
};

struct Change {
    ChangeResult result = ChangeResult::Failed;
    QString unscrambled;
    int systemError = 0; // why the store could not be written (Failed), when the system said
};

// What the login and the change of password say of a damaged store.
QString damagedStoreMessage();

// Replaces the stored password with `newPassword` (a-z turned into A-Z, trimmed).
Change changePassword(const QString &storePath, const QString &oldPassword, const QString &newPassword,
                      const QString &confirmation);

} // namespace PasswordCheck
