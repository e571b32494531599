#include "storage/NativeFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace NativeFile {
namespace {

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

int fd(Handle handle)
{
    return static_cast<int>(handle);
}

struct flock byteLock(short type, std::int64_t offset)
{
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(offset);
    lock.l_len = 1;
    lock.l_pid = 0;
    return lock;
}

// Flushes the folder's entry of a renamed file; a folder that cannot be opened or
// flushed (some network shares) leaves it to the system.
void syncFolder(const QString &folder)
{
    const int dir = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return;
    ::fsync(dir);
    ::close(dir);
}

} // namespace

int lastError()
{
    return errno;
}

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

int errorFor(Condition condition)
{
    switch (condition) {
    case Condition::DiskFull:
        return ENOSPC;
    case Condition::AccessDenied:
        return EACCES;
    case Condition::Io:
        break;
    }
    return EIO;
}

Condition conditionOf(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return Condition::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
        return Condition::AccessDenied;
    default:
        return Condition::Io;
    }
}

void ignoreFileSizeSignal()
{
    ::signal(SIGXFSZ, SIG_IGN);
}

WholeRead readWhole(const QString &path, QByteArray *bytes, int *error, std::int64_t limit)
{
    bytes->clear();
    // Not blocking: a pipe with no writer would otherwise wait here for ever.
    int file;
    do {
        file = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (file < 0 && errno == EINTR);
    if (file < 0) {
        *error = errno;
        return errno == ENOENT || errno == ENOTDIR ? WholeRead::Missing : WholeRead::Failed;
    }
    struct stat info {};
    if (::fstat(file, &info) != 0) {
        *error = errno;
        ::close(file);
        return WholeRead::Failed;
    }
    if (!S_ISREG(info.st_mode) || info.st_size > limit) {
        ::close(file);
        return WholeRead::Refused;
    }
    // One byte more than the limit tells a file that grew meanwhile.
    QByteArray data(static_cast<qsizetype>(std::min<std::int64_t>(info.st_size, limit) + 1), Qt::Uninitialized);
    qsizetype done = 0;
    for (;;) {
        if (done == data.size()) {
            if (done > limit) {
                ::close(file);
                return WholeRead::Refused;
            }
            data.resize(std::min<qsizetype>(data.size() * 2, static_cast<qsizetype>(limit) + 1));
        }
        const ssize_t n = ::read(file, data.data() + done, static_cast<size_t>(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = errno;
            ::close(file);
            return WholeRead::Failed;
        }
        if (n == 0)
            break;
        done += n;
    }
    ::close(file);
    data.truncate(done);
    *bytes = data;
    return WholeRead::Done;
}

Handle openShared(const QString &path, bool writable, int *error, QString *refusal)
{
    // Not blocking: opening a pipe or a device named like an archive must not
    // wait for a writer; such files are refused just below.
    const int flags = (writable ? (O_RDWR | O_CREAT) : O_RDONLY) | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    int file;
    do {
        file = ::open(native(path).constData(), flags, 0666);
    } while (file < 0 && errno == EINTR);
    if (file < 0) {
        *error = errno;
        return kNoHandle;
    }
    struct stat info {};
    if (::fstat(file, &info) != 0) {
        *error = errno;
        ::close(file);
        return kNoHandle;
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(file);
        *refusal = S_ISDIR(info.st_mode) ? QStringLiteral("is a folder") : QStringLiteral("not a regular file");
        return kNoHandle;
    }
    const int status = ::fcntl(file, F_GETFL);
    if (status < 0 || ::fcntl(file, F_SETFL, status & ~O_NONBLOCK) != 0) {
        *error = errno;
        ::close(file);
        return kNoHandle;
    }
    return file;
}

bool close(Handle handle, int *error)
{
    if (::close(fd(handle)) != 0 && errno != EINTR) {
        *error = errno;
        return false;
    }
    return true;
}

bool size(Handle handle, std::int64_t *bytes, int *error)
{
    struct stat info {};
    if (::fstat(fd(handle), &info) != 0) {
        *error = errno;
        return false;
    }
    *bytes = info.st_size;
    return true;
}

std::int64_t readAt(Handle handle, char *data, std::int64_t size, std::int64_t offset, int *error)
{
    for (;;) {
        const ssize_t n = ::pread(fd(handle), data, static_cast<size_t>(size), static_cast<off_t>(offset));
        if (n >= 0)
            return n;
        if (errno != EINTR) {
            *error = errno;
            return -1;
        }
    }
}

std::int64_t writeAt(Handle handle, const char *data, std::int64_t size, std::int64_t offset, int *error)
{
    for (;;) {
        const ssize_t n = ::pwrite(fd(handle), data, static_cast<size_t>(size), static_cast<off_t>(offset));
        if (n >= 0)
            return n;
        if (errno != EINTR) {
            *error = errno;
            return -1;
        }
    }
}

std::int64_t write(Handle handle, const char *data, std::int64_t size, int *error)
{
    for (;;) {
        const ssize_t n = ::write(fd(handle), data, static_cast<size_t>(size));
        if (n >= 0)
            return n;
        if (errno != EINTR) {
            *error = errno;
            return -1;
        }
    }
}

bool flush(Handle handle, int *error)
{
    if (::fdatasync(fd(handle)) != 0) {
        *error = errno;
        return false;
    }
    return true;
}

bool truncate(Handle handle, std::int64_t size, int *error)
{
    for (;;) {
        if (::ftruncate(fd(handle), static_cast<off_t>(size)) == 0)
            return true;
        if (errno != EINTR) {
            *error = errno;
            return false;
        }
    }
}

LockResult tryLock(Handle handle, std::int64_t offset, int *error)
{
    // Locks of the open file description: owned by this handle alone, not by the
    // process, so two handles of one process exclude each other too.
    struct flock lock = byteLock(F_WRLCK, offset);
    for (;;) {
        if (::fcntl(fd(handle), F_OFD_SETLK, &lock) == 0)
            return LockResult::Held;
        if (errno != EINTR)
            break;
    }
    *error = errno;
    return lockResultForPosixError(errno);
}

void unlock(Handle handle, std::int64_t offset)
{
    struct flock lock = byteLock(F_UNLCK, offset);
    ::fcntl(fd(handle), F_OFD_SETLK, &lock);
}

Handle createNew(const QString &path, int *error, bool *taken)
{
    int file;
    do {
        // 0666 less the user's mask, as any new file of the program.
        file = ::open(native(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (file < 0 && errno == EINTR);
    if (file < 0) {
        *error = errno;
        *taken = errno == EEXIST;
        return kNoHandle;
    }
    return file;
}

void copyPermissions(const QString &like, Handle handle)
{
    struct stat existing {};
    if (::stat(native(like).constData(), &existing) == 0 && S_ISREG(existing.st_mode))
        ::fchmod(fd(handle), existing.st_mode & 07777);
}

bool isReadOnly(const QString &path)
{
    struct stat info {};
    if (::stat(native(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    // The superuser may write any file, but a read-only file stays read-only to
    // the program whoever runs it: the owner's bits decide.
    if (::geteuid() == 0)
        return (info.st_mode & S_IWUSR) == 0;
    return ::faccessat(AT_FDCWD, native(path).constData(), W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

bool replace(const QString &from, const QString &to, int *error)
{
    if (::rename(native(from).constData(), native(to).constData()) != 0) {
        *error = errno;
        return false;
    }
    syncFolder(QFileInfo(to).absolutePath());
    return true;
}

bool replaceLater(const QString &from, const QString &to, int *error)
{
    if (::rename(native(from).constData(), native(to).constData()) != 0) {
        *error = errno;
        return false;
    }
    return true;
}

bool syncFileSystem(const QString &path, int *error)
{
    // A folder only, and never waiting on whatever else might bear its name.
    const int dir = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC | O_DIRECTORY | O_NONBLOCK);
    if (dir < 0) {
        *error = errno;
        return false;
    }
    const bool synced = ::syncfs(dir) == 0;
    if (!synced)
        *error = errno;
    ::close(dir);
    return synced;
}

bool canDeferFlush()
{
    return true;
}

bool remove(const QString &path)
{
    return ::unlink(native(path).constData()) == 0;
}

} // namespace NativeFile
