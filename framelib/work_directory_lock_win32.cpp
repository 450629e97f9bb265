#include <windows.h>

#include <cerrno>

#include "work_directory_lock.h"

// A lock file opened without sharing and deleted when its last handle
// closes. The handle is inheritable, so every command of the run (the
// interpreter and the helper it starts) holds it too: a second run's open
// fails with a sharing violation while any process of this run lives, and
// nothing is left once they have all ended.
LockResult lock_work_directory() {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE lock = CreateFileW(L".frametools-lock", GENERIC_READ | GENERIC_WRITE | DELETE, 0, &inherit, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (lock != INVALID_HANDLE_VALUE) return LockResult::Held;  // open for the life of the run: that is the lock
    DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION) return LockResult::Busy;
    errno = error == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return LockResult::Unavailable;
}
