#pragma once

#include <QString>

#include <stdexcept>

// The one message the archive screens show when an archive cannot be opened,
// read or written.
QString ArchiveAccessError();

// Raised by a failing record-file operation; it ends the current action.
class RecordFileError : public std::runtime_error
{
public:
    explicit RecordFileError(const QString &detail);
    QString detail() const { return m_detail; }

private:
    QString m_detail;
};
