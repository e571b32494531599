#pragma once

#include "storage/NativeFile.h"

#include <QByteArrayView>
#include <QIODevice>
#include <QString>

#include <cstdint>

// Every file the program rewrites as a whole (the INI files, the spreadsheet
// exports, attached files) goes through here, so that a failure never damages
// the file it was meant to replace:
//   - the new content goes to a temporary file beside the target, written
//     without buffering so that every write is checked as it happens;
//   - the data is flushed to the disk and the flush is checked;
//   - only then does the temporary file take the target's place, in one rename.
// Any failure on the way removes the temporary file and leaves the target as it
// was, byte for byte. commit() returns true only when every step succeeded.
// A read-only target is refused (access denied), on every platform, as writing
// it in place would be. Temporary files that an earlier replacement of the same
// target left behind when it was killed are removed once ten minutes old.
//
// It is a write-only QIODevice, so writers that stream to a device can use it.
class FileReplacement final : public QIODevice
{
    Q_OBJECT

public:
    explicit FileReplacement(const QString &path, QObject *parent = nullptr);
    ~FileReplacement() override; // discards the new content unless committed
    FileReplacement(const FileReplacement &) = delete;
    FileReplacement &operator=(const FileReplacement &) = delete;

    // Creates the temporary file. Only QIODevice::WriteOnly is accepted.
    bool open(OpenMode mode = QIODevice::WriteOnly) override;
    // Puts the new content in place of the target; false when anything failed,
    // in which case the target is untouched.
    bool commit();
    // Drops the new content; the target is untouched.
    void discard();

    bool isSequential() const override { return true; }
    // The bytes written so far.
    qint64 size() const override { return m_written; }
    // The path that is replaced (a symbolic link's target, not the link).
    QString targetPath() const { return m_target; }
    // The system's error number of the first failure (errno, or GetLastError() on
    // Windows), 0 when there was none.
    int systemError() const { return m_error; }

    // For one of a batch of new files in a working folder of their own (a backup
    // extracted before it takes the data's place): every write is still checked,
    // but the flush to the disk is left to one NativeFile::syncFileSystem() for
    // the whole batch, which the caller must check before relying on the files
    // (where flushes cannot be deferred, on Windows, each file is flushed as
    // usual); and the folder, new, is not searched for leftovers. Before open().
    void joinBatch()
    {
        m_batch = true;
        m_deferFlush = NativeFile::canDeferFlush();
    }

    // Writes `bytes` as the whole new content of `path`.
    static bool replace(const QString &path, QByteArrayView bytes);

    // For tests: makes every replacement from now on fail at one step, as a full
    // disk or a file held open by another program would.
    enum class Fault { None, Create, Write, Flush, Rename };
    Q_ENUM(Fault)
    static void setFault(Fault fault);

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    void fail(int error);
    void removeTemporary();

    QString m_target;
    QString m_temporary;
    std::intptr_t m_file = -1; // a NativeFile handle
    int m_error = 0;
    qint64 m_written = 0;
    bool m_deferFlush = false;
    bool m_batch = false;
};
