#pragma once

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
// Puts `from` in the place of `to`, replacing it, in one step that is on the disk
// when the call returns.
bool replace(const QString &from, const QString &to, int *error);
bool remove(const QString &path);

} // namespace NativeFile
