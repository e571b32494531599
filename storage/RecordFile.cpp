#include "storage/RecordFile.h"

#include "storage/ArchiveError.h"
#include "storage/RecordBuffer.h"

#include "storage/NativeFile.h"

#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

namespace {

// Offset of the byte that writers lock: far beyond any real archive size.
constexpr std::int64_t kLockSentinel = std::int64_t(1) << 62;
// Bytes read at once while scanning.
constexpr qint64 kScanBlockBytes = 1 << 20;

std::chrono::milliseconds g_lockTimeout{10000};
std::function<void(bool)> g_lockWaitObserver;
int g_lockRefusal = 0;

RecordFile::FaultPlan g_faultPlan;
int g_operations = 0;
// The plan counts the operations of the thread that made it only: work the
// screens hand to a thread of their own leaves a test's count as it was.
std::atomic<std::thread::id> g_planThread;
bool g_rollingBack = false;
bool g_rollbackFault = false;

enum class Injected { None, Fail, Short };

// Counts an operation and tells whether the test plan makes it fail.
Injected nextOperation(bool isWrite)
{
    if (g_planThread.load() != std::this_thread::get_id())
        return Injected::None;
    if (g_faultPlan.mode == RecordFile::FaultPlan::Mode::Off || g_rollingBack)
        return Injected::None;
    const int n = ++g_operations;
    const bool hit = g_faultPlan.forGood ? n >= g_faultPlan.at : n == g_faultPlan.at;
    if (!hit)
        return Injected::None;
    if (g_faultPlan.mode == RecordFile::FaultPlan::Mode::ShortWrite && isWrite)
        return Injected::Short;
    return Injected::Fail;
}

using NativeFile::Condition;
using NativeFile::Handle;
using NativeFile::kNoHandle;
using NativeFile::LockResult;

QString systemError(int error)
{
    return NativeFile::errorText(error);
}

// Holds the writers' lock for the lifetime of the object.
class WriteLock
{
public:
    explicit WriteLock(Handle file, bool tellObserver = true)
        : m_file(file)
    {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + g_lockTimeout;
        auto pause = std::chrono::milliseconds(1);
        for (;;) {
            int error = 0;
            const LockResult result = g_lockRefusal != 0 ? NativeFile::lockResultForPosixError(g_lockRefusal)
                                                         : NativeFile::tryLock(m_file, kLockSentinel, &error);
            if (result == LockResult::Held) {
                m_held = true;
                break;
            }
            if (result == LockResult::Unsupported) {
                // A file system without byte-range locks: the write goes ahead
                // unlocked, as copies of the program did before locking existed,
                // and the screens tell the user once.
                m_unsupported = true;
                break;
            }
            if (result == LockResult::Failed) {
                m_error = g_lockRefusal != 0 ? QString::fromLocal8Bit(std::strerror(g_lockRefusal)) : systemError(error);
                break;
            }
            if (Clock::now() >= deadline) {
                m_timedOut = true;
                break;
            }
            if (!m_waiting && tellObserver && g_lockWaitObserver) {
                m_waiting = true;
                g_lockWaitObserver(true);
            }
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::milliseconds(50));
        }
        if (m_waiting)
            g_lockWaitObserver(false);
    }
    ~WriteLock()
    {
        if (m_held)
            NativeFile::unlock(m_file, kLockSentinel);
    }
    WriteLock(const WriteLock &) = delete;
    WriteLock &operator=(const WriteLock &) = delete;

    // Why the lock could not be taken: empty when it is held or not supported.
    QString failure() const
    {
        if (m_timedOut)
            return QStringLiteral("another program holds the archive: its lock was not released within %1 ms")
                .arg(g_lockTimeout.count());
        if (!m_error.isEmpty())
            return QStringLiteral("cannot lock the file: ") + m_error;
        return QString();
    }
    bool unsupported() const { return m_unsupported; }
    bool timedOut() const { return m_timedOut; }
    // Leaves the lock held when the object goes; the caller unlocks it.
    bool keep() { return std::exchange(m_held, false); }

private:
    Handle m_file;
    bool m_held = false;
    bool m_unsupported = false;
    bool m_timedOut = false;
    bool m_waiting = false;
    QString m_error;
};

// Writes all of `data` at `offset`; returns the bytes written before any failure.
qint64 writeFully(Handle file, const char *data, qint64 size, qint64 offset, int *error)
{
    qint64 done = 0;
    while (done < size) {
        const Injected fault = nextOperation(true);
        if (fault == Injected::Fail) {
            *error = NativeFile::errorFor(Condition::Io);
            return done;
        }
        const qint64 length = fault == Injected::Short ? std::max<qint64>(1, (size - done) / 2) : size - done;
        const qint64 n = NativeFile::writeAt(file, data + done, length, offset + done, error);
        if (n < 0)
            return done;
        if (n == 0) {
            *error = NativeFile::errorFor(Condition::DiskFull);
            return done;
        }
        done += n;
    }
    *error = 0;
    return done;
}

// Reads up to `size` bytes at `offset`; returns the bytes read, or -1.
qint64 readFully(Handle file, char *data, qint64 size, qint64 offset, int *error)
{
    qint64 done = 0;
    while (done < size) {
        if (nextOperation(false) != Injected::None) {
            *error = NativeFile::errorFor(Condition::Io);
            return -1;
        }
        const qint64 n = NativeFile::readAt(file, data + done, size - done, offset + done, error);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += n;
    }
    *error = 0;
    return done;
}

} // namespace

RecordFile::~RecordFile()
{
    if (m_file != kNoHandle) {
        UnlockWriters();
        int ignored = 0;
        NativeFile::close(m_file, &ignored);
    }
}

void RecordFile::setLockTimeout(std::chrono::milliseconds timeout)
{
    g_lockTimeout = timeout;
}

std::chrono::milliseconds RecordFile::lockTimeout()
{
    return g_lockTimeout;
}

void RecordFile::setLockWaitObserver(std::function<void(bool)> observer)
{
    g_lockWaitObserver = std::move(observer);
}

void RecordFile::setRollbackFault(bool fault)
{
    g_rollbackFault = fault;
}

void RecordFile::setLockRefusal(int error)
{
    g_lockRefusal = error;
}

void RecordFile::setFaultPlan(FaultPlan plan)
{
    g_faultPlan = plan;
    g_operations = 0;
    g_planThread.store(plan.mode == FaultPlan::Mode::Off ? std::thread::id() : std::this_thread::get_id());
}

int RecordFile::operationsSincePlan()
{
    return g_operations;
}

qint64 RecordFile::lockOffset()
{
    return kLockSentinel;
}

void RecordFile::OpenOrCreate(const QString &path, int recordSize)
{
    open(path, recordSize, true);
}

void RecordFile::OpenForReading(const QString &path, int recordSize)
{
    open(path, recordSize, false);
}

void RecordFile::open(const QString &path, int recordSize, bool writable)
{
    Q_ASSERT(recordSize > 0);
    if (m_file != kNoHandle)
        CloseRecordFile();
    m_path = path;
    m_recordSize = recordSize;
    m_position = 0;
    int error = 0;
    QString refusal;
    Handle file = kNoHandle;
    if (nextOperation(false) != Injected::None)
        error = NativeFile::errorFor(Condition::Io);
    else
        file = NativeFile::openShared(path, writable, &error, &refusal);
    if (!refusal.isEmpty())
        fail(refusal, FailureCause::Damaged);
    if (file == kNoHandle) {
        // A folder in the archive's place is refused by the system itself when
        // opened for writing: it is no archive file all the same.
        fail(QStringLiteral("cannot open: ") + systemError(error),
             QFileInfo(path).isDir() ? FailureCause::Damaged : causeOfSystemError(error));
    }
    m_file = file;
}

void RecordFile::requireOpen() const
{
    if (m_file == kNoHandle)
        fail(QStringLiteral("file not open"));
}

void RecordFile::fail(const QString &what, FailureCause cause) const
{
    throw RecordFileError(m_path + QStringLiteral(": ") + what, cause);
}

qint64 RecordFile::fileSize() const
{
    requireOpen();
    if (nextOperation(false) != Injected::None)
        fail(QStringLiteral("cannot read the size: injected fault"));
    std::int64_t bytes = 0;
    int error = 0;
    if (!NativeFile::size(m_file, &bytes, &error))
        fail(QStringLiteral("cannot read the size: ") + systemError(error), causeOfSystemError(error));
    return bytes;
}

qint64 RecordFile::RecordCount() const
{
    return fileSize() / m_recordSize;
}

qint64 RecordFile::TrailingBytes() const
{
    return fileSize() % m_recordSize;
}

void RecordFile::SeekRecord(qint64 index)
{
    requireOpen();
    if (index < 0)
        fail(QStringLiteral("negative record index"));
    m_position = index;
}

void RecordFile::ReadRecord(RecordBuffer &buffer)
{
    Q_ASSERT(buffer.size() == m_recordSize);
    ReadRecord(std::span<char>(buffer.data(), static_cast<std::size_t>(buffer.size())));
}

void RecordFile::ReadRecord(std::span<char> record)
{
    requireOpen();
    Q_ASSERT(static_cast<qint64>(record.size()) == m_recordSize);
    int error = 0;
    const qint64 n = readFully(m_file, record.data(), m_recordSize, m_position * m_recordSize, &error);
    if (n < 0)
        fail(QStringLiteral("read failed: ") + systemError(error), causeOfSystemError(error));
    if (n < m_recordSize)
        fail(QStringLiteral("read beyond the end of the file"));
    ++m_position;
}

void RecordFile::WriteRecord(const RecordBuffer &buffer)
{
    Q_ASSERT(buffer.size() == m_recordSize);
    WriteRecord(buffer.span());
}

void RecordFile::WriteRecord(std::span<const char> record)
{
    writeAt(m_position, record, false);
}

bool RecordFile::WriteRecordIfUnchanged(std::span<const char> record, std::span<const char> expected, QByteArray *stored)
{
    Q_ASSERT(static_cast<qint64>(expected.size()) == m_recordSize);
    return writeAt(m_position, record, false, expected, stored);
}

qint64 RecordFile::AppendRecord(const RecordBuffer &buffer)
{
    Q_ASSERT(buffer.size() == m_recordSize);
    return AppendRecord(buffer.span());
}

qint64 RecordFile::AppendRecord(std::span<const char> record)
{
    writeAt(-1, record, true);
    return m_position;
}

bool RecordFile::writeAt(qint64 index, std::span<const char> record, bool append, std::span<const char> expected,
                         QByteArray *stored)
{
    requireOpen();
    Q_ASSERT(static_cast<qint64>(record.size()) == m_recordSize);
    const WriteLock lock(m_file);
    if (const QString failure = lock.failure(); !failure.isEmpty())
        fail(failure, lock.timedOut() ? FailureCause::InUse : FailureCause::Unknown);

    const qint64 size = fileSize();
    const qint64 count = size / m_recordSize;
    if (append || index > count)
        index = count;
    const qint64 offset = index * m_recordSize;
    const bool extends = index == count;

    // Keep what the write replaces, so that a failed write can put it back: the
    // record overwritten, or the bytes past the last whole record that an append
    // writes over.
    QByteArray previous;
    previous.resize(extends ? size - offset : m_recordSize);
    if (!previous.isEmpty()) {
        int error = 0;
        if (readFully(m_file, previous.data(), previous.size(), offset, &error) != previous.size())
            fail(QStringLiteral("read failed: ") + (error != 0 ? systemError(error) : QStringLiteral("the file was shortened")),
                 causeOfSystemError(error));
    }
    if (!extends && !expected.empty()
        && QByteArrayView(previous) != QByteArrayView(expected.data(), static_cast<qsizetype>(expected.size()))) {
        if (stored != nullptr)
            *stored = previous;
        return false;
    }
    if (lock.unsupported())
        m_wroteWithoutLock = true;

    int error = 0;
    const qint64 written = writeFully(m_file, record.data(), m_recordSize, offset, &error);
    if (written == m_recordSize) {
        if (nextOperation(false) != Injected::None)
            error = NativeFile::errorFor(Condition::Io);
        else
            NativeFile::flush(m_file, &error);
    }
    if (written != m_recordSize || error != 0) {
        // Back to the file as it was before the action: an append leaves no torn
        // record and gives back the bytes it wrote over, an overwrite puts the old
        // record back.
        g_rollingBack = true;
        int undoError = 0;
        bool undone = !g_rollbackFault;
        if (!undone)
            undoError = NativeFile::errorFor(Condition::Io);
        if (undone && extends)
            undone = NativeFile::truncate(m_file, size, &undoError);
        if (undone)
            undone = writeFully(m_file, previous.constData(), previous.size(), offset, &undoError) == previous.size();
        if (undone)
            undone = NativeFile::flush(m_file, &undoError);
        g_rollingBack = false;
        const int cause = error != 0 ? error : NativeFile::errorFor(Condition::Io);
        const QString failure = QStringLiteral("write failed: ") + systemError(cause);
        if (!undone) {
            // The file may now end in a torn record or hold one half written: the
            // user must hear that it is not as it was.
            fail(failure + QStringLiteral("; undoing the write failed too (") + systemError(undoError)
                     + QStringLiteral("): the archive may hold a partial record, which \"volantix-archive check\" finds"),
                 FailureCause::PartialRecord);
        }
        fail(failure, causeOfSystemError(cause));
    }
    m_position = index + 1;
    return true;
}

bool RecordFile::ScanRecords(const std::function<void(std::span<const char>)> &visit)
{
    const qint64 count = RecordCount();
    // Blocks of 1 MiB at most, no larger than the file: a small file costs little.
    const qint64 perBlock = std::max<qint64>(1, std::min<qint64>(kScanBlockBytes / m_recordSize, count));
    QByteArray block(perBlock * m_recordSize, Qt::Uninitialized);
    m_position = 0;
    while (m_position < count) {
        const qint64 records = std::min(perBlock, count - m_position);
        const qint64 bytes = records * m_recordSize;
        int error = 0;
        const qint64 n = readFully(m_file, block.data(), bytes, m_position * m_recordSize, &error);
        if (n < 0)
            fail(QStringLiteral("read failed: ") + systemError(error), causeOfSystemError(error));
        const qint64 whole = n / m_recordSize;
        for (qint64 i = 0; i < whole; ++i) {
            visit(std::span<const char>(block.constData() + i * m_recordSize, static_cast<std::size_t>(m_recordSize)));
            ++m_position;
        }
        if (whole < records)
            return false; // the file was shortened meanwhile
    }
    return true;
}

void RecordFile::LockWriters()
{
    requireOpen();
    if (m_writersLocked)
        return;
    WriteLock lock(m_file, false);
    if (const QString failure = lock.failure(); !failure.isEmpty())
        fail(failure, lock.timedOut() ? FailureCause::InUse : FailureCause::Unknown);
    m_writersLocked = lock.keep();
}

void RecordFile::UnlockWriters()
{
    if (m_writersLocked && m_file != kNoHandle)
        NativeFile::unlock(m_file, kLockSentinel);
    m_writersLocked = false;
}

QByteArray RecordFile::ReadWhole(qint64 limit)
{
    const qint64 size = fileSize();
    if (size > limit)
        fail(QStringLiteral("file too large: %1 bytes").arg(size), FailureCause::Damaged);
    QByteArray bytes(size, Qt::Uninitialized);
    int error = 0;
    const qint64 n = readFully(m_file, bytes.data(), size, 0, &error);
    if (n < 0)
        fail(QStringLiteral("read failed: ") + systemError(error), causeOfSystemError(error));
    bytes.truncate(n);
    m_position = n / m_recordSize;
    return bytes;
}

void RecordFile::CloseRecordFile()
{
    if (m_file == kNoHandle)
        return;
    UnlockWriters();
    int error = 0;
    if (!NativeFile::close(std::exchange(m_file, kNoHandle), &error))
        fail(QStringLiteral("close failed: ") + systemError(error), causeOfSystemError(error));
}
