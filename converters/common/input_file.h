// The converters' inputs: regular files only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tool_error.h"

// Opens path for reading (binary). A FIFO, a device, a directory or a
// socket, named directly or through a symbolic link, is refused ("not a
// regular file (a FIFO)", "... (a directory)", "... (a character device)")
// without blocking in open; a symbolic link to a regular file is read. 0
// with *fd open (close it with fd_close, file_io.h) and *size the file's
// length; -1 with a reason ("cannot open: <system text>" when it cannot be
// opened at all). input_file_posix.cpp, input_file_win32.cpp.
int input_open(const char* path, int* fd, int64_t* size, ToolError* error);

// The first `bytes` bytes of the open input, read only: mapped where the
// system maps files (POSIX), else read into memory (Windows). The file must
// be at least that long. 0 with *data, or -1 with a reason ("read error:
// <system text>"). Release with input_unmap(*data, bytes).
int input_map(int fd, size_t bytes, void** data, ToolError* error);
void input_unmap(void* data, size_t bytes);
