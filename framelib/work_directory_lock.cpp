#include "work_directory_lock.h"

#include <cerrno>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

int lock_work_directory() {
#ifndef _WIN32
    // Close-on-exec: a converter that outlives us must not keep the lock.
    int fd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return 0;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int busy = errno == EWOULDBLOCK;
        close(fd);
        return busy ? -1 : 0;
    }
    // fd stays open for the life of the process: that is the lock.
#endif
    return 0;
}
