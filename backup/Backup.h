#pragma once

#include "storage/ArchiveError.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>
#include <vector>

class RecordFile;

// Backups of the school's data: one zip file per backup, readable by any zip
// tool, with a manifest that lists every entry with its size and CRC-32 (and the
// record count of the record files). A backup is written as ".part", read back
// whole and compared with what was read, and only then takes its final name, so
// every file named like a backup in the destination folder is a verified one.
// Nothing here needs a window: the screens and the command line share it.
namespace Backup {

// "Volantix_backup_YYYYMMDD_HHMMSS.zip"
QString fileNameFor(const QDateTime &when);
// Whether `fileName` is a backup's name, and when it was made.
std::optional<QDateTime> timeOfName(const QString &fileName);

// One entry of a backup, as its manifest lists it.
struct Entry {
    QString name;        // inside the zip, folders separated by '/'
    qint64 size = 0;
    quint32 crc = 0;
    qint64 records = -1; // whole records of a record file; -1 for other files
    qint64 trailing = 0; // bytes after the last whole record (a damaged archive, kept as it is)
};

struct Manifest {
    QString version;
    QDateTime created;
    std::vector<Entry> entries;

    QByteArray text() const;
    static std::optional<Manifest> parse(const QByteArray &text);
    const Entry *find(const QString &name) const;
};
inline constexpr const char *kManifestName = "manifest.txt";

// Told how far long work has gone (bytes done of total) and the file at hand;
// answers false to stop it.
using Progress = std::function<bool(qint64 done, qint64 total, const QString &file)>;

enum class Outcome { Done, Failed, Cancelled, WrongPassword };

struct Result {
    Outcome outcome = Outcome::Failed;
    QString message; // what went wrong, in Italian, ready for the user
    FailureCause cause = FailureCause::Unknown;
    QString path;    // the backup made
    qint64 size = 0; // its size in bytes
    bool ok() const { return outcome == Outcome::Done; }
};

// What a folder's data to back up are: the record files, the lesson files, the
// attachments, the INI files; never the program's own files nor the exports.
bool belongsToBackup(const QString &relativePath);

struct CreateOptions {
    QString password;  // empty: no encryption
    QDateTime now;     // names the backup
    QString version;   // the program's version, for the manifest
    // Record files whose writers' lock the caller already holds (by path): read
    // through those handles instead of locking them again.
    std::map<QString, RecordFile *> held;
};
// Backs up `dataFolder` into `destinationFolder`, which is created when missing.
Result create(const QString &dataFolder, const QString &destinationFolder, const CreateOptions &options,
              const Progress &progress = {});

// Reads a backup whole and compares it with its manifest. `manifest` receives it.
Result verify(const QString &zipPath, const QString &password, const Progress &progress = {}, Manifest *manifest = nullptr);

// Whether the backup's entries are encrypted (it then needs its password); empty
// when it cannot be opened as a zip.
std::optional<bool> isEncrypted(const QString &zipPath);

// What a backup holds, for the user to see before restoring it.
struct Preview {
    Manifest manifest;
    int students = 0;
    int forms = 0;
    int lessonFiles = 0;
    int attachments = 0;
    QStringList firstStudents; // "Cognome Nome" of the first students in the archive
};
Result preview(const QString &zipPath, const QString &password, Preview *preview);

// The backups in `folder`, newest first (by the time in their names).
struct Found {
    QString path;
    QDateTime when;
    qint64 size = 0;
};
std::vector<Found> list(const QString &folder);

// Removes the oldest backups of `folder` beyond the newest `keep` (at least one
// is always kept); touches no file that is not named as a backup. Returns the
// names removed.
QStringList rotate(const QString &folder, int keep);

struct RestoreOptions {
    QString password;       // of the backup restored
    QString safetyFolder;   // where the backup of the current data goes first
    QString safetyPassword; // for that backup (empty: not encrypted)
    QDateTime now;
    QString version;
};
// Puts the data of a verified backup in place of the data in `dataFolder`:
// first a backup of the current data, then the backup is extracted beside the
// data, checked, and swapped in file by file; on any failure the current data are
// put back as they were. The result's path is the backup of the data that were
// replaced. Refused while another copy of the program holds the
// lock of one of the folder's archives.
Result restore(const QString &zipPath, const QString &dataFolder, const RestoreOptions &options,
               const Progress &progress = {});

// For tests: make the restore fail after this many files were swapped in (-1: never).
void setRestoreFaultAfter(int swapped);

} // namespace Backup
