#include "storage/NativeFile.h"

#include <cerrno>

namespace NativeFile {

LockResult lockResultForPosixError(int posixError)
{
    if (posixError == EAGAIN || posixError == EACCES)
        return LockResult::Busy;
    // File systems without byte-range locks (some network shares).
    if (posixError == ENOLCK || posixError == EINVAL || posixError == EOPNOTSUPP)
        return LockResult::Unsupported;
    return LockResult::Failed;
}

} // namespace NativeFile
