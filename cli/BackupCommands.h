#pragma once

#include <QStringList>

class QIODevice;

// The backup commands of the support companion, run in the program folder:
//   backup DEST_FOLDER [--password-file FILE]
//                 makes a verified backup of the folder's data in DEST_FOLDER and
//                 prints its path; encrypted with the password of FILE (its first
//                 line), or with the school's own backup password when one is set
//   verify BACKUP.zip [--password-file FILE]
//                 reads a backup whole and checks it against its manifest
//   restore BACKUP.zip [--password-file FILE]
//                 puts the backup's data in place of the folder's, after a backup
//                 of the current data in the school's backup folder; asks nothing,
//                 and refuses while another copy of the program holds an archive
// An encrypted backup's password comes from FILE, or else from the first line of
// the standard input. Exit 0 on success, 2 with a one-line reason otherwise.
namespace BackupCommands {

// Whether `command` is one of these.
bool handles(const QString &command);
int run(const QStringList &arguments, QIODevice &in, QIODevice &out, QIODevice &err);

} // namespace BackupCommands
