#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// The few calls on files that the program makes to the operating system itself,
// where Qt's file classes do not say or do enough: positioned reads and writes,
// flushing to the disk, byte-range locks shared with other copies of the program,
// and replacing a file in one step. One implementation for POSIX systems and one
// for Windows; everything above them is the same on both.
//
// Errors are the system's own numbers (errno, or GetLastError() on Windows);
// errorText() turns one into words.
namespace NativeFile {

using Handle = std::intptr_t;
inline constexpr Handle kNoHandle = -1;

int lastError();
QString errorText(int error);

// Errors that the program itself reports or that tests make up.
enum class Condition { Io, DiskFull, AccessDenied };
int errorFor(Condition condition);
// What an error number means to the user: a full disk (a file size limit
// included), a refused access, or any other failure (Io).
Condition conditionOf(int error);

// Makes a write past the process's file size limit fail with an error (EFBIG)
// instead of ending the process (SIGXFSZ), so that a record cut short is rolled
// back and reported. Called at the start of every program; nothing on Windows.
void ignoreFileSizeSignal();

// The whole content of a small file the program reads at once (the INI files).
// Only a regular file is read, opened without waiting (a pipe or a device named
// like the file must not block the program), and only up to `limit` bytes: a
// folder, a pipe, a device or a longer file is Refused.
enum class WholeRead { Done, Missing, Refused, Failed };
inline constexpr std::int64_t kWholeFileLimit = std::int64_t(1) << 20;
WholeRead readWhole(const QString &path, QByteArray *bytes, int *error, std::int64_t limit = kWholeFileLimit);

// Opens a record file for positioned reads and writes (or reads only), sharing it
// with every other program; a writable one is created when missing. A folder, a
// pipe or a device is refused with `refusal` set ("is a folder" or "not a regular
// file") and kNoHandle returned.
Handle openShared(const QString &path, bool writable, int *error, QString *refusal);
bool close(Handle handle, int *error);

bool size(Handle handle, std::int64_t *bytes, int *error);
// One read or write at `offset`, which may do less than asked; -1 on error.
std::int64_t readAt(Handle handle, char *data, std::int64_t size, std::int64_t offset, int *error);
std::int64_t writeAt(Handle handle, const char *data, std::int64_t size, std::int64_t offset, int *error);
// Writes at the current position of a file being written from start to end.
std::int64_t write(Handle handle, const char *data, std::int64_t size, int *error);
bool flush(Handle handle, int *error);
bool truncate(Handle handle, std::int64_t size, int *error);

// A lock on one byte at `offset` (which may lie far past the end of the file),
// exclusive between handles, processes and computers on one share; never waits.
enum class LockResult { Held, Busy, Unsupported, Failed };
LockResult tryLock(Handle handle, std::int64_t offset, int *error);
void unlock(Handle handle, std::int64_t offset);
// How a lock request that failed with the POSIX error `posixError` is taken: the
// same on every platform, for tests that make lock requests fail.
LockResult lockResultForPosixError(int posixError);

// Creates `path`, which must not exist yet, for writing only; `taken` tells
// whether it failed because the name exists.
Handle createNew(const QString &path, int *error, bool *taken);
// Gives the file at `handle` the permissions of the file at `like`, if it exists.
void copyPermissions(const QString &like, Handle handle);
// Whether `path` is an existing file that its owner may not write: read-only by
// its permission bits (as for its owner, also when running as the superuser, who
// could write it all the same) or by the read-only attribute on Windows.
bool isReadOnly(const QString &path);
// Puts `from` in the place of `to`, replacing it, in one step that is on the disk
// when the call returns.
bool replace(const QString &from, const QString &to, int *error);
// The same, leaving the flush of the folder to a later syncFileSystem().
bool replaceLater(const QString &from, const QString &to, int *error);
// Puts on the disk everything written on the file system that holds `path` (for a
// batch of files written with their flush deferred). Windows flushes each file as
// it is written, so there is nothing left to do there.
bool syncFileSystem(const QString &path, int *error);
// Whether files may be written with their flush deferred to syncFileSystem().
bool canDeferFlush();
bool remove(const QString &path);

} // namespace NativeFile
