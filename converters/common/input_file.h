// The converters' inputs: regular files only.
#pragma once

#include <cstdint>

#include "tool_error.h"

// Opens path for reading. A FIFO, a device, a directory or a socket, named
// directly or through a symbolic link, is refused ("not a regular file (a
// FIFO)") without blocking in open; a symbolic link to a regular file is
// read. 0 with *fd open (close it) and *size the file's length; -1 with a
// reason ("cannot open: <system text>" when it cannot be opened at all).
int input_open(const char* path, int* fd, int64_t* size, ToolError* error);
