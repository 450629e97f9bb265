#include "file_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

int64_t fd_read(int fd, void* buffer, size_t size) {
    ssize_t n;
    do {
        n = read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    return n;
}

int64_t fd_write(int fd, const void* data, size_t size) {
    ssize_t n;
    do {
        n = write(fd, data, size);
    } while (n < 0 && errno == EINTR);
    return n;
}

int fd_read_at(int fd, void* buffer, size_t size, int64_t offset, size_t* got) {
    *got = 0;
    while (*got < size) {
        ssize_t n = pread(fd, static_cast<char*>(buffer) + *got, size - *got, static_cast<off_t>(offset + *got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        *got += static_cast<size_t>(n);
    }
    return 0;
}

int64_t fd_seek(int fd, int64_t offset, int whence) { return lseek(fd, static_cast<off_t>(offset), whence); }

int64_t fd_size(int fd) {
    struct stat st;
    return fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

int fd_close(int fd) { return close(fd); }

void fd_size_limit_fails_writes() { signal(SIGXFSZ, SIG_IGN); }
