#include "storage/RecordFile.h"

#include "storage/ArchiveError.h"
#include "storage/RecordBuffer.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Offset of the byte that writers lock: far beyond any real archive size.
constexpr off_t kLockSentinel = off_t(1) << 62;
// Bytes read at once while scanning.
constexpr qint64 kScanBlockBytes = 1 << 20;

std::chrono::milliseconds g_lockTimeout{10000};

RecordFile::FaultPlan g_faultPlan;
int g_operations = 0;
bool g_rollingBack = false;

enum class Injected { None, Fail, Short };

// Counts an operation and tells whether the test plan makes it fail.
Injected nextOperation(bool isWrite)
{
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

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Holds the writers' lock for the lifetime of the object.
class WriteLock
{
public:
    explicit WriteLock(int fd)
        : m_fd(fd)
    {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + g_lockTimeout;
        auto pause = std::chrono::milliseconds(1);
        for (;;) {
            struct flock lock = request(F_WRLCK);
            if (::fcntl(m_fd, F_OFD_SETLK, &lock) == 0) {
                m_held = true;
                return;
            }
            const int error = errno;
            if (error == EINTR)
                continue;
            if (error != EAGAIN && error != EACCES) {
                // A file system without byte-range locks: write as copies of the
                // program did before locking existed.
                if (error == ENOLCK || error == EINVAL || error == EOPNOTSUPP)
                    return;
                m_error = error;
                return;
            }
            if (Clock::now() >= deadline) {
                m_error = ETIMEDOUT;
                return;
            }
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::milliseconds(50));
        }
    }
    ~WriteLock()
    {
        if (m_held) {
            struct flock lock = request(F_UNLCK);
            ::fcntl(m_fd, F_OFD_SETLK, &lock);
        }
    }
    WriteLock(const WriteLock &) = delete;
    WriteLock &operator=(const WriteLock &) = delete;

    int error() const { return m_error; }

private:
    static struct flock request(short type)
    {
        struct flock lock {};
        lock.l_type = type;
        lock.l_whence = SEEK_SET;
        lock.l_start = kLockSentinel;
        lock.l_len = 1;
        lock.l_pid = 0;
        return lock;
    }

    int m_fd;
    bool m_held = false;
    int m_error = 0;
};

// Writes all of `data` at `offset`; returns the bytes written before any failure.
qint64 writeFully(int fd, const char *data, qint64 size, qint64 offset, int *error)
{
    qint64 done = 0;
    while (done < size) {
        const Injected fault = nextOperation(true);
        if (fault == Injected::Fail) {
            *error = EIO;
            return done;
        }
        const qint64 length = fault == Injected::Short ? std::max<qint64>(1, (size - done) / 2) : size - done;
        const ssize_t n = ::pwrite(fd, data + done, static_cast<size_t>(length), offset + done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *error = errno;
            return done;
        }
        if (n == 0) {
            *error = ENOSPC;
            return done;
        }
        done += n;
    }
    *error = 0;
    return done;
}

// Reads up to `size` bytes at `offset`; returns the bytes read, or -1.
qint64 readFully(int fd, char *data, qint64 size, qint64 offset, int *error)
{
    qint64 done = 0;
    while (done < size) {
        if (nextOperation(false) != Injected::None) {
            *error = EIO;
            return -1;
        }
        const ssize_t n = ::pread(fd, data + done, static_cast<size_t>(size - done), offset + done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *error = errno;
            return -1;
        }
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
    if (m_fd >= 0)
        ::close(m_fd);
}

void RecordFile::setLockTimeout(std::chrono::milliseconds timeout)
{
    g_lockTimeout = timeout;
}

std::chrono::milliseconds RecordFile::lockTimeout()
{
    return g_lockTimeout;
}

void RecordFile::setFaultPlan(FaultPlan plan)
{
    g_faultPlan = plan;
    g_operations = 0;
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
    if (m_fd >= 0)
        CloseRecordFile();
    m_path = path;
    m_recordSize = recordSize;
    m_position = 0;
    const QByteArray native = QFile::encodeName(path);
    const int flags = writable ? (O_RDWR | O_CREAT | O_CLOEXEC) : (O_RDONLY | O_CLOEXEC);
    int fd;
    if (nextOperation(false) != Injected::None) {
        errno = EIO;
        fd = -1;
    } else {
        do {
            fd = ::open(native.constData(), flags, 0666);
        } while (fd < 0 && errno == EINTR);
    }
    if (fd < 0)
        fail(QStringLiteral("cannot open: ") + systemError(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = errno;
        ::close(fd);
        fail(S_ISDIR(info.st_mode) ? QStringLiteral("is a folder") : QStringLiteral("not a regular file: ") + systemError(error));
    }
    m_fd = fd;
}

void RecordFile::requireOpen() const
{
    if (m_fd < 0)
        fail(QStringLiteral("file not open"));
}

void RecordFile::fail(const QString &what) const
{
    throw RecordFileError(m_path + QStringLiteral(": ") + what);
}

qint64 RecordFile::fileSize() const
{
    requireOpen();
    struct stat info {};
    if (nextOperation(false) != Injected::None)
        fail(QStringLiteral("cannot read the size: injected fault"));
    if (::fstat(m_fd, &info) != 0)
        fail(QStringLiteral("cannot read the size: ") + systemError(errno));
    return info.st_size;
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
    const qint64 n = readFully(m_fd, record.data(), m_recordSize, m_position * m_recordSize, &error);
    if (n < 0)
        fail(QStringLiteral("read failed: ") + systemError(error));
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

void RecordFile::writeAt(qint64 index, std::span<const char> record, bool append)
{
    requireOpen();
    Q_ASSERT(static_cast<qint64>(record.size()) == m_recordSize);
    const WriteLock lock(m_fd);
    if (lock.error() != 0)
        fail(QStringLiteral("cannot lock the file: ") + systemError(lock.error()));

    const qint64 count = RecordCount();
    if (append || index > count)
        index = count;
    const qint64 offset = index * m_recordSize;
    const bool extends = index == count;

    // Keep what an overwrite replaces, so that a failed write can put it back.
    QByteArray previous;
    if (!extends) {
        previous.resize(m_recordSize);
        int error = 0;
        if (readFully(m_fd, previous.data(), m_recordSize, offset, &error) != m_recordSize)
            fail(QStringLiteral("read failed: ") + systemError(error));
    }

    int error = 0;
    const qint64 written = writeFully(m_fd, record.data(), m_recordSize, offset, &error);
    if (written == m_recordSize) {
        if (nextOperation(false) != Injected::None)
            error = EIO;
        else if (::fdatasync(m_fd) != 0)
            error = errno;
    }
    if (written != m_recordSize || error != 0) {
        g_rollingBack = true;
        if (extends) {
            // Back to the last whole record: no torn record is left at the end.
            while (::ftruncate(m_fd, offset) != 0 && errno == EINTR) {
            }
        } else {
            int ignored = 0;
            writeFully(m_fd, previous.constData(), m_recordSize, offset, &ignored);
        }
        g_rollingBack = false;
        fail(QStringLiteral("write failed: ") + systemError(error != 0 ? error : EIO));
    }
    m_position = index + 1;
}

void RecordFile::ScanRecords(const std::function<void(std::span<const char>)> &visit)
{
    const qint64 count = RecordCount();
    const qint64 perBlock = std::max<qint64>(1, kScanBlockBytes / m_recordSize);
    QByteArray block(perBlock * m_recordSize, Qt::Uninitialized);
    m_position = 0;
    while (m_position < count) {
        const qint64 records = std::min(perBlock, count - m_position);
        const qint64 bytes = records * m_recordSize;
        int error = 0;
        const qint64 n = readFully(m_fd, block.data(), bytes, m_position * m_recordSize, &error);
        if (n < 0)
            fail(QStringLiteral("read failed: ") + systemError(error));
        const qint64 whole = n / m_recordSize;
        for (qint64 i = 0; i < whole; ++i) {
            visit(std::span<const char>(block.constData() + i * m_recordSize, static_cast<std::size_t>(m_recordSize)));
            ++m_position;
        }
        if (whole < records)
            break; // the file was shortened meanwhile
    }
}

void RecordFile::CloseRecordFile()
{
    if (m_fd < 0)
        return;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        fail(QStringLiteral("close failed: ") + systemError(errno));
}
