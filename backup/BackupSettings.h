#pragma once

#include "backup/Backup.h"

#include <QDateTime>
#include <QString>

#include <optional>

// The school's choices for backups, kept in Autoscuola.ini under
// [Copia di sicurezza], and the password of automatic backups, kept apart from
// it and protected by the system (DPAPI for the user on Windows, a file that
// only its owner may read elsewhere).
namespace BackupSettings {

struct Settings {
    QString folder;      // chosen by the user; empty until then
    int everyDays = 1;   // automatic backup on closing when the last is this old; 0: never
    int keep = 10;       // backups kept in the folder
    bool advised = false; // the advice to set a password was given
};

Settings load();
bool save(const Settings &settings);

// Where backups go until the user picks a folder: Volantix_Backup in the user's documents.
QString proposedFolder();
// The chosen folder, or the proposed one.
QString destination(const Settings &settings);
// Whether `folder` is the program folder or lies inside it (backups may not).
bool insideProgramFolder(const QString &folder);

// Whether an automatic backup is due, the last verified one made at `last`.
bool automaticDue(const Settings &settings, const std::optional<QDateTime> &last, const QDateTime &now);

// The password of automatic backups; empty when none is set.
QString storedPassword();
bool storePassword(const QString &password); // empty: removes it
// The file that keeps it, in the program folder.
QString passwordFile();

// A backup now, as the school has set it: its password, the clock's time, the
// program's version.
Backup::CreateOptions createOptions();
// A restore of a backup whose password is `password`, the current data going
// first into the school's backup folder, with the school's password.
Backup::RestoreOptions restoreOptions(const QString &password);

} // namespace BackupSettings
