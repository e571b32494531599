#pragma once

// Helpers shared by the tests: byte fixtures on disk and running a piece of code
// in a child process with fewer rights or less room.

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "storage/NativeFile.h"
#include "storage/RecordFile.h"

#include <functional>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace TestSupport {

// What both editors say when browsing an empty archive and after saving.
inline const QString kEmpty = QStringLiteral("L'archivio non contiene nessuna scheda.");
inline const QString kSaved = QStringLiteral("Le modifiche apportate alla scheda corrente sono state salvate in archivio.");
inline const QString kAppended = QStringLiteral("La scheda corrente \u00E8 stata inserita in archivio.");

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// One run of one of the program's tools, in a process of its own. A tool that
// ends before the wait begins counts as finished (waitForFinished() alone calls
// that a failure, as it happens under Wine); code is -2 when it never started,
// -1 when it crashed or outlived the wait.
struct ToolRun
{
    int code = -2;
    QByteArray out;
    QByteArray err;
};

// The same, with a process that the caller has set up (its folder, its environment).
inline ToolRun runProcess(QProcess &tool, const QString &program, const QStringList &arguments, const QByteArray &input = {},
                          int msecs = 60000)
{
    ToolRun run;
    tool.start(program, arguments);
    if (!tool.waitForStarted(msecs))
        return run;
    if (!input.isEmpty())
        tool.write(input);
    tool.closeWriteChannel();
    if (!tool.waitForFinished(msecs) && tool.state() != QProcess::NotRunning) {
        tool.kill();
        tool.waitForFinished();
        run.code = -1;
        return run;
    }
    run.code = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    run.out = tool.readAllStandardOutput();
    run.err = tool.readAllStandardError();
    return run;
}

inline ToolRun runTool(const QString &program, const QStringList &arguments, const QByteArray &input = {},
                       int msecs = 60000)
{
    QProcess tool;
    return runProcess(tool, program, arguments, input, msecs);
}

inline bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

#ifndef Q_OS_WIN
// Runs `body` in a child process and returns its result (or -1 if it crashed).
// `prepare` runs in the child first (drop rights, limit file size, ...).
inline int runInChild(const std::function<void()> &prepare, const std::function<int()> &body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        prepare();
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// In the child: as a user without rights on root's files when running as root, so
// that permission bits apply as they would to an ordinary user.
inline void dropRights()
{
    if (::geteuid() == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(99);
    }
}

// In the child: files may not grow past `bytes`, as on a full disk.
inline std::function<void()> limitFileSize(qint64 bytes)
{
    return [bytes] {
        NativeFile::ignoreFileSizeSignal();
        struct rlimit limit {};
        limit.rlim_cur = static_cast<rlim_t>(bytes);
        limit.rlim_max = static_cast<rlim_t>(bytes);
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(98);
    };
}

#endif

// Holds the writers' lock of the archive at `path`, as another copy of the
// program saving at that moment would, until released or destroyed.
#ifdef Q_OS_WIN
class ForeignLock
{
public:
    explicit ForeignLock(const QString &path)
        : m_file(CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr))
    {
        OVERLAPPED at {};
        const auto offset = static_cast<quint64>(RecordFile::lockOffset());
        at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        m_held = m_file != INVALID_HANDLE_VALUE
            && LockFileEx(m_file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at);
    }
    ~ForeignLock() { release(); }
    ForeignLock(const ForeignLock &) = delete;
    ForeignLock &operator=(const ForeignLock &) = delete;

    bool held() const { return m_held; }
    void release()
    {
        // Closing the handle releases its locks.
        if (m_file != INVALID_HANDLE_VALUE)
            CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_file;
    bool m_held = false;
};
#else
class ForeignLock
{
public:
    explicit ForeignLock(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666))
    {
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = static_cast<off_t>(RecordFile::lockOffset());
        lock.l_len = 1;
        m_held = m_fd >= 0 && ::fcntl(m_fd, F_OFD_SETLK, &lock) == 0;
    }
    ~ForeignLock() { release(); }
    ForeignLock(const ForeignLock &) = delete;
    ForeignLock &operator=(const ForeignLock &) = delete;

    bool held() const { return m_held; }
    void release()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
    bool m_held = false;
};
#endif

} // namespace TestSupport
