#include "storage/FileReplacement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileReplacement::Fault g_fault = FileReplacement::Fault::None;

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

// Flushes the folder's entry of a renamed file; a folder that cannot be opened or
// flushed (some network shares) leaves it to the system.
void syncFolder(const QString &folder)
{
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

void FileReplacement::setFault(Fault fault)
{
    g_fault = fault;
}

FileReplacement::FileReplacement(const QString &path, QObject *parent)
    : QIODevice(parent)
{
    // A link stays a link: the file it points to is the one replaced.
    const QFileInfo info(path);
    m_target = info.isSymLink() ? info.symLinkTarget() : path;
}

FileReplacement::~FileReplacement()
{
    discard();
}

bool FileReplacement::open(OpenMode mode)
{
    if (isOpen() || (mode & ~(QIODevice::Truncate | QIODevice::Unbuffered)) != QIODevice::WriteOnly)
        return false;
    m_error = 0;
    m_written = 0;
    const QFileInfo target(m_target);
    const QString folder = target.absolutePath();
    if (g_fault == Fault::Create) {
        fail(EACCES);
        return false;
    }
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temporary = folder + QStringLiteral("/.") + target.fileName() + QLatin1Char('.')
            + QString::number(QRandomGenerator::global()->generate(), 16) + QStringLiteral(".tmp");
        // 0666 less the user's mask, as any new file of the program.
        m_fd = ::open(native(m_temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST && errno != EINTR)
            break;
    }
    if (m_fd < 0) {
        const int error = errno;
        m_temporary.clear();
        fail(error);
        return false;
    }
    // The new file keeps the permissions of the one it replaces.
    struct stat existing {};
    if (::stat(native(m_target).constData(), &existing) == 0 && S_ISREG(existing.st_mode))
        ::fchmod(m_fd, existing.st_mode & 07777);
    return QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 FileReplacement::readData(char *, qint64)
{
    return -1;
}

qint64 FileReplacement::writeData(const char *data, qint64 size)
{
    if (m_fd < 0 || m_error != 0)
        return -1;
    if (g_fault == Fault::Write && size > 0) {
        fail(ENOSPC);
        return -1;
    }
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::write(m_fd, data + done, static_cast<size_t>(size - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
            return -1;
        }
        if (n == 0) {
            fail(ENOSPC);
            return -1;
        }
        done += n;
    }
    m_written += done;
    return done;
}

bool FileReplacement::commit()
{
    if (!isOpen() || m_fd < 0) {
        discard();
        return false;
    }
    if (m_error == 0) {
        if (g_fault == Fault::Flush)
            fail(EIO);
        else if (::fsync(m_fd) != 0)
            fail(errno);
    }
    if (m_error == 0) {
        const int fd = std::exchange(m_fd, -1);
        if (::close(fd) != 0 && errno != EINTR)
            fail(errno);
    }
    if (m_error == 0) {
        if (g_fault == Fault::Rename)
            fail(EACCES);
        else if (::rename(native(m_temporary).constData(), native(m_target).constData()) != 0)
            fail(errno);
    }
    if (m_error != 0) {
        discard();
        return false;
    }
    m_temporary.clear();
    syncFolder(QFileInfo(m_target).absolutePath());
    QIODevice::close();
    return true;
}

void FileReplacement::discard()
{
    removeTemporary();
    if (isOpen())
        QIODevice::close();
}

void FileReplacement::removeTemporary()
{
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    if (!m_temporary.isEmpty())
        ::unlink(native(std::exchange(m_temporary, QString())).constData());
}

void FileReplacement::fail(int error)
{
    if (m_error == 0) {
        m_error = error != 0 ? error : EIO;
        setErrorString(QString::fromLocal8Bit(std::strerror(m_error)));
    }
}

bool FileReplacement::replace(const QString &path, QByteArrayView bytes)
{
    FileReplacement file(path);
    if (!file.open())
        return false;
    if (!bytes.isEmpty() && file.write(bytes.data(), bytes.size()) != bytes.size()) {
        file.discard();
        return false;
    }
    return file.commit();
}
