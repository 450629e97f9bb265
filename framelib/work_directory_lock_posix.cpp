#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "work_directory_lock.h"

// flock on the directory itself. Not close-on-exec: every helper inherits
// the descriptor, so the lock lives while any process of the run does.
LockResult lock_work_directory() {
    int fd = open(".", O_RDONLY | O_DIRECTORY);
    if (fd < 0) return LockResult::Unavailable;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int error = errno;
        close(fd);
        errno = error;
        return error == EWOULDBLOCK ? LockResult::Busy : LockResult::Unavailable;
    }
    return LockResult::Held;  // fd stays open for the life of the process: that is the lock
}
