#pragma once

#include "storage/ArchiveError.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>

class RecordBuffer;

// A file of fixed-size records beside the program: only its records, one after
// the other, with no header. Every action opens it, works and closes it.
//
// Several copies of the program may work on the same file at once. Writers take
// an exclusive lock on a sentinel byte range far past any real file size (never
// on the data, so readers and the byte format are untouched): an append holds it
// while it counts the records and writes at the end, an overwrite while it writes.
// A record is written with one positioned write of the whole record and flushed
// before the action ends; a short write is rolled back. When the rollback fails
// too, the error says that the file may hold a partial record.
//
// Every failing operation raises RecordFileError. The file is closed when the
// object goes out of scope, on every path.
class RecordFile
{
public:
    RecordFile() = default;
    ~RecordFile();
    RecordFile(const RecordFile &) = delete;
    RecordFile &operator=(const RecordFile &) = delete;

    // Opens the file for reading and writing at position 0, creating it empty when
    // it does not exist. An existing file is never truncated.
    void OpenOrCreate(const QString &path, int recordSize);
    // Opens an existing file for reading only (support tools); never creates it.
    void OpenForReading(const QString &path, int recordSize);

    bool isOpen() const { return m_file != -1; }
    int recordSize() const { return m_recordSize; }

    // Number of whole records; bytes past the last whole record belong to none.
    qint64 RecordCount() const;
    // Bytes past the last whole record.
    qint64 TrailingBytes() const;
    // Places the position before record `index` (0-based). Not checked against the count.
    void SeekRecord(qint64 index);
    // Reads the record at the position into `buffer`; the position advances by one.
    // Fails at or beyond the end of the file.
    void ReadRecord(RecordBuffer &buffer);
    void ReadRecord(std::span<char> record);
    // Writes the whole record at the position and advances it by one. A position at
    // or past the end appends at the real end of the file, never leaving a gap.
    void WriteRecord(const RecordBuffer &buffer);
    void WriteRecord(std::span<const char> record);
    // Appends after the last whole record, counting and writing under the lock, so a
    // concurrent append by another copy of the program is never overwritten.
    // Returns the new record's 1-based number, which is also CurrentRecord().
    qint64 AppendRecord(const RecordBuffer &buffer);
    qint64 AppendRecord(std::span<const char> record);
    // Overwrites the record at the position, as WriteRecord does, but only while
    // its bytes on disk are still `expected` (what the screen read when it showed
    // the record); the comparison and the write happen under the writers' lock.
    // When another copy of the program has changed the record meanwhile, nothing
    // is written, `stored` receives the bytes on disk and the result is false.
    // A position at or past the end writes as WriteRecord does.
    bool WriteRecordIfUnchanged(std::span<const char> record, std::span<const char> expected, QByteArray *stored);
    // The 0-based index of the next record: the 1-based number of the record last
    // read or written.
    qint64 CurrentRecord() const { return m_position; }
    void CloseRecordFile();

    // Reads every record from the first to the last whole one, in large blocks, and
    // hands each to `visit` in file order. Leaves the position after the last record.
    // False when the file was shortened meanwhile (by another copy of the program)
    // and the scan ended before the records counted at its start.
    bool ScanRecords(const std::function<void(std::span<const char> record)> &visit);

    // Takes the writers' lock, waiting for it as a writer does, and keeps it until
    // UnlockWriters() or the file is closed: meanwhile no other copy of the program
    // (nor another handle of this one) writes the file. Fails with the cause InUse
    // when the lock does not come in time. Tells no wait observer: the backup takes
    // it from a thread of its own. The file must be open for writing.
    void LockWriters();
    void UnlockWriters();
    bool writersLocked() const { return m_writersLocked; }
    // Every byte of the file, whole records and whatever follows the last one, read
    // from the start (a backup's copy). Fails when the file is longer than `limit`.
    QByteArray ReadWhole(qint64 limit);

    // Whether a write of this file went ahead without the writers' lock, because
    // the file system refuses byte-range locks (some network shares).
    bool wroteWithoutLock() const { return m_wroteWithoutLock; }

    // How long a writer waits for another copy's lock before the action fails.
    static void setLockTimeout(std::chrono::milliseconds timeout);
    // Told `true` when a writer starts waiting for another copy's lock and `false`
    // when the wait ends, so that the screens can show that they are busy.
    static void setLockWaitObserver(std::function<void(bool waiting)> observer);
    static std::chrono::milliseconds lockTimeout();
    // The byte that writers lock, far past any real file size.
    static qint64 lockOffset();

    // For tests: makes the Nth operation on record files (opening, reading the
    // size, reading, writing, flushing) fail, or write only part of what it was
    // given, just once or from then on. The rollback after a failed write is not
    // faulted: a full disk still lets a file shrink and blocks already in use be
    // written again.
    struct FaultPlan {
        enum class Mode { Off, Fail, ShortWrite };
        Mode mode = Mode::Off;
        int at = 0;           // 1-based operation number
        bool forGood = false; // every operation from `at` on
    };
    static void setFaultPlan(FaultPlan plan);
    // For tests: the undoing of a failed write fails too (the file cannot be
    // shortened nor the old bytes put back), as on a disk that has gone away.
    static void setRollbackFault(bool fault);
    // For tests: every lock request fails with the system error `error`, as on a
    // file system without byte-range locks (0 restores real locking).
    static void setLockRefusal(int error);
    // Operations counted since the plan was set.
    static int operationsSincePlan();

private:
    void open(const QString &path, int recordSize, bool writable);
    qint64 fileSize() const;
    void requireOpen() const;
    bool writeAt(qint64 index, std::span<const char> record, bool append, std::span<const char> expected = {},
                 QByteArray *stored = nullptr);
    [[noreturn]] void fail(const QString &what, FailureCause cause = FailureCause::Unknown) const;

    std::intptr_t m_file = -1; // a NativeFile handle
    int m_recordSize = 0;
    qint64 m_position = 0;
    QString m_path;
    bool m_wroteWithoutLock = false;
    bool m_writersLocked = false;
};
