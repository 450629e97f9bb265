// Reading and writing C runtime file descriptors the same way on every
// platform: whole 64-bit offsets and sizes, interrupted calls retried, and
// counts larger than one call takes split up. The platform's side is in
// file_io_posix.cpp and file_io_win32.cpp; on Windows every descriptor the
// converters open is in binary mode.
#pragma once

#include <cstddef>
#include <cstdint>

// One read of up to size bytes: the count read, 0 at the end, -1 with errno.
int64_t fd_read(int fd, void* buffer, size_t size);

// One write of up to size bytes: the count written, -1 with errno.
int64_t fd_write(int fd, const void* data, size_t size);

// Up to size bytes from offset, fewer only at the end of the file: 0 with
// *got set, or -1 with errno. The descriptor's position may move.
int fd_read_at(int fd, void* buffer, size_t size, int64_t offset, size_t* got);

// lseek with 64-bit offsets: the new offset, or -1 with errno.
int64_t fd_seek(int fd, int64_t offset, int whence);

// The open file's size in bytes, or -1 with errno.
int64_t fd_size(int fd);

// Closes the descriptor: 0, or -1 with errno.
int fd_close(int fd);

// Makes a write past a file-size limit fail with EFBIG ("File too large")
// instead of ending the process (SIGXFSZ); nothing to do where the system
// has no such limits.
void fd_size_limit_fails_writes();
