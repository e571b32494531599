#pragma once

#include <QString>

#include <stdexcept>

// Why a file could not be used, as far as the user can act on it.
enum class FailureCause {
    Unknown,
    DiskFull,      // no room left on the disk (or the file may grow no further)
    InUse,         // another workstation holds the archive
    AccessDenied,  // the system refuses access
    Damaged,       // the file is not what it should be
    PartialRecord, // a failed write could not be undone
};

// The cause of a system error number (errno, or GetLastError() on Windows).
FailureCause causeOfSystemError(int error);

// The last line that names the cause ("Dettagli: disco pieno"), or an empty text
// when the cause is unknown.
QString causeLine(FailureCause cause);

// `message` with the cause on a last line of its own, after a blank line made
// of the message's own line breaks; the message alone when the cause is unknown.
QString withCause(const QString &message, FailureCause cause);

// The one message the archive screens show when an archive cannot be opened,
// read or written.
QString ArchiveAccessError();
// The same, with the cause of the failure on its last line.
QString ArchiveAccessError(FailureCause cause);

// Raised by a failing record-file operation; it ends the current action.
class RecordFileError : public std::runtime_error
{
public:
    explicit RecordFileError(const QString &detail, FailureCause cause = FailureCause::Unknown);
    QString detail() const { return m_detail; }
    FailureCause cause() const { return m_cause; }

private:
    QString m_detail;
    FailureCause m_cause;
};
