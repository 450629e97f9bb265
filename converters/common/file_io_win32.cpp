#include "file_io.h"

#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

namespace {

// The C runtime counts bytes in unsigned int.
constexpr size_t kMaxCall = size_t{1} << 30;

unsigned int call_size(size_t size) { return static_cast<unsigned int>(size < kMaxCall ? size : kMaxCall); }

}  // namespace

int64_t fd_read(int fd, void* buffer, size_t size) { return _read(fd, buffer, call_size(size)); }

int64_t fd_write(int fd, const void* data, size_t size) { return _write(fd, data, call_size(size)); }

int fd_read_at(int fd, void* buffer, size_t size, int64_t offset, size_t* got) {
    *got = 0;
    if (_lseeki64(fd, offset, SEEK_SET) < 0) return -1;
    while (*got < size) {
        int n = _read(fd, static_cast<char*>(buffer) + *got, call_size(size - *got));
        if (n < 0) return -1;
        if (n == 0) break;
        *got += static_cast<size_t>(n);
    }
    return 0;
}

int64_t fd_seek(int fd, int64_t offset, int whence) { return _lseeki64(fd, offset, whence); }

int64_t fd_size(int fd) {
    struct _stat64 st;
    return _fstat64(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

int fd_close(int fd) { return _close(fd); }

void fd_size_limit_fails_writes() {}
