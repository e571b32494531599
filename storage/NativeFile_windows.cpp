#include "storage/NativeFile.h"

#include <QDir>

#include <algorithm>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace NativeFile {
namespace {

HANDLE win(Handle handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

Handle ours(HANDLE handle)
{
    return handle == INVALID_HANDLE_VALUE ? kNoHandle : reinterpret_cast<Handle>(handle);
}

std::wstring native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

OVERLAPPED at(std::int64_t offset)
{
    OVERLAPPED overlapped {};
    overlapped.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFFu);
    overlapped.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    return overlapped;
}

// One call reads or writes at most this much.
DWORD chunk(std::int64_t size)
{
    return static_cast<DWORD>(std::min<std::int64_t>(size, 1 << 30));
}

} // namespace

int lastError()
{
    return static_cast<int>(GetLastError());
}

QString errorText(int error)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                            | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<LPWSTR>(&text), 0,
                                        nullptr);
    QString message = length > 0 ? QString::fromWCharArray(text, static_cast<qsizetype>(length)).trimmed()
                                 : QStringLiteral("system error %1").arg(error);
    LocalFree(text);
    return message;
}

int errorFor(Condition condition)
{
    switch (condition) {
    case Condition::DiskFull:
        return ERROR_DISK_FULL;
    case Condition::AccessDenied:
        return ERROR_ACCESS_DENIED;
    case Condition::Io:
        break;
    }
    return ERROR_WRITE_FAULT;
}

Condition conditionOf(int error)
{
    switch (static_cast<DWORD>(error)) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_FILE_TOO_LARGE:
        return Condition::DiskFull;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return Condition::AccessDenied;
    default:
        return Condition::Io;
    }
}

void ignoreFileSizeSignal()
{
    // Windows has no file size signal: a write past a limit fails with an error.
}

WholeRead readWhole(const QString &path, QByteArray *bytes, int *error, std::int64_t limit)
{
    bytes->clear();
    const std::wstring name = native(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        *error = lastError();
        return *error == ERROR_FILE_NOT_FOUND || *error == ERROR_PATH_NOT_FOUND ? WholeRead::Missing : WholeRead::Failed;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return WholeRead::Refused;
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *error = lastError();
        return *error == ERROR_FILE_NOT_FOUND || *error == ERROR_PATH_NOT_FOUND ? WholeRead::Missing : WholeRead::Failed;
    }
    LARGE_INTEGER size {};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size) || size.QuadPart > limit) {
        CloseHandle(file);
        return WholeRead::Refused;
    }
    // One byte more than the limit tells a file that grew meanwhile.
    QByteArray data(static_cast<qsizetype>(limit) + 1, Qt::Uninitialized);
    qsizetype done = 0;
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file, data.data() + done, static_cast<DWORD>(data.size() - done), &n, nullptr)) {
            *error = lastError();
            CloseHandle(file);
            return WholeRead::Failed;
        }
        if (n == 0)
            break;
        done += static_cast<qsizetype>(n);
        if (done > limit) {
            CloseHandle(file);
            return WholeRead::Refused;
        }
    }
    CloseHandle(file);
    data.truncate(done);
    *bytes = data;
    return WholeRead::Done;
}

Handle openShared(const QString &path, bool writable, int *error, QString *refusal)
{
    const std::wstring name = native(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        *refusal = QStringLiteral("is a folder");
        return kNoHandle;
    }
    // Every kind of sharing, as the other copies of the program open it the same way.
    const HANDLE file = CreateFileW(name.c_str(), writable ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    writable ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *error = lastError();
        return kNoHandle;
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        *refusal = QStringLiteral("not a regular file");
        return kNoHandle;
    }
    return ours(file);
}

bool close(Handle handle, int *error)
{
    if (!CloseHandle(win(handle))) {
        *error = lastError();
        return false;
    }
    return true;
}

bool size(Handle handle, std::int64_t *bytes, int *error)
{
    LARGE_INTEGER value {};
    if (!GetFileSizeEx(win(handle), &value)) {
        *error = lastError();
        return false;
    }
    *bytes = value.QuadPart;
    return true;
}

std::int64_t readAt(Handle handle, char *data, std::int64_t size, std::int64_t offset, int *error)
{
    OVERLAPPED overlapped = at(offset);
    DWORD done = 0;
    if (!ReadFile(win(handle), data, chunk(size), &done, &overlapped)) {
        if (GetLastError() == ERROR_HANDLE_EOF)
            return 0;
        *error = lastError();
        return -1;
    }
    return done;
}

std::int64_t writeAt(Handle handle, const char *data, std::int64_t size, std::int64_t offset, int *error)
{
    OVERLAPPED overlapped = at(offset);
    DWORD done = 0;
    if (!WriteFile(win(handle), data, chunk(size), &done, &overlapped)) {
        *error = lastError();
        return -1;
    }
    return done;
}

std::int64_t write(Handle handle, const char *data, std::int64_t size, int *error)
{
    DWORD done = 0;
    if (!WriteFile(win(handle), data, chunk(size), &done, nullptr)) {
        *error = lastError();
        return -1;
    }
    return done;
}

bool flush(Handle handle, int *error)
{
    if (!FlushFileBuffers(win(handle))) {
        *error = lastError();
        return false;
    }
    return true;
}

bool truncate(Handle handle, std::int64_t size, int *error)
{
    FILE_END_OF_FILE_INFO end {};
    end.EndOfFile.QuadPart = size;
    if (!SetFileInformationByHandle(win(handle), FileEndOfFileInfo, &end, sizeof end)) {
        *error = lastError();
        return false;
    }
    return true;
}

LockResult tryLock(Handle handle, std::int64_t offset, int *error)
{
    // Windows locks belong to the handle, so two handles of one process exclude
    // each other as two processes do.
    OVERLAPPED overlapped = at(offset);
    if (LockFileEx(win(handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &overlapped))
        return LockResult::Held;
    *error = lastError();
    switch (*error) {
    case ERROR_LOCK_VIOLATION:
    case ERROR_IO_PENDING:
        return LockResult::Busy;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
        return LockResult::Unsupported;
    default:
        return LockResult::Failed;
    }
}

void unlock(Handle handle, std::int64_t offset)
{
    OVERLAPPED overlapped = at(offset);
    UnlockFileEx(win(handle), 0, 1, 0, &overlapped);
}

Handle createNew(const QString &path, int *error, bool *taken)
{
    const HANDLE file = CreateFileW(native(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *error = lastError();
        *taken = *error == ERROR_FILE_EXISTS || *error == ERROR_ALREADY_EXISTS;
        return kNoHandle;
    }
    return ours(file);
}

void copyPermissions(const QString &, Handle)
{
    // A file created in a folder takes the folder's permissions, as the one it
    // replaces did; a replaced file keeps no attributes of its own that matter here.
}

bool isReadOnly(const QString &path)
{
    const DWORD attributes = GetFileAttributesW(native(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0
        && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool replace(const QString &from, const QString &to, int *error)
{
    // Write-through: the move is on the disk when the call returns.
    if (!MoveFileExW(native(from).c_str(), native(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *error = lastError();
        return false;
    }
    return true;
}

bool replaceLater(const QString &from, const QString &to, int *error)
{
    return replace(from, to, error);
}

bool syncFileSystem(const QString &, int *)
{
    return true;
}

bool canDeferFlush()
{
    return false;
}

bool remove(const QString &path)
{
    return DeleteFileW(native(path).c_str()) != 0;
}

} // namespace NativeFile
