// The run's own files in the work directory: the raw files, _tmp.ppm, the
// GIFs' first bytes, and what a killed helper may leave.
//
// The directory may be shared with other users and programs. A name the
// programs choose is therefore never followed as a symbolic link, never
// opened as a FIFO or a device, and nothing outside the directory is ever
// written through it. The platform's code is in work_files_posix.cpp and
// work_files_win32.cpp.
#pragma once

#include <cstdint>
#include <cstdio>

enum class FileKind { Missing, Regular, Directory, Symlink, Fifo, Device, Other };

struct FileProbe {
    FileKind kind;
    int64_t size;     // bytes, for a regular file (64 bits on every platform)
    int64_t links;    // hard links of a regular file
    uint64_t device;  // with inode: the file's identity
    uint64_t inode;
};

// What sits at the name itself; a symbolic link is described, not followed.
// 0 (kind Missing when there is nothing), or -1 with errno when the name
// cannot be looked at.
int probe_file(const char* name, FileProbe* probe);

// "a symbolic link", "a FIFO", ... for messages.
const char* file_kind_text(FileKind kind);

// Opens a regular file for reading in binary mode. A symbolic link, a FIFO
// (without blocking on it), a device or a directory is refused: null with
// errno set (ELOOP for a link, EINVAL for anything that is not a regular
// file).
FILE* open_for_reading(const char* name);

// Opens a file for writing in binary mode from its start, creating it when
// missing but never emptying it (see cut_at_position). Only a regular file
// with a single link is opened; anything else is refused as by
// open_for_reading (EMLINK for a file with other names).
FILE* open_for_rewrite(const char* name);

// Cuts the file opened by open_for_rewrite at the current position, after a
// flush. 0, or -1 with errno.
int cut_at_position(FILE* file);

// Removes the name itself (a link, never its target); a directory is not
// removed. 0, or -1 with errno (a missing name is ENOENT).
int remove_name(const char* name);

// Removes the temporary files ".NAME.XXXXXX" that a helper writing NAME
// leaves when it is killed before it could rename them. Only regular files
// of exactly that pattern are removed.
void remove_helper_leftovers(const char* name);

// Reads the first `count` bytes of a regular file as open_for_reading opens
// it. 0 when all were read; -1 with errno (EIO for a shorter file).
int read_file_start(const char* name, uint8_t* bytes, int count);
