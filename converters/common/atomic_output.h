// Output files that appear whole or not at all, and never reach outside the
// output's directory through its name.
//
// What sits at the name decides how the data gets there (a symbolic link is
// looked at itself, never followed):
// - nothing: the data goes to an unnamed file in the name's directory
//   (O_TMPFILE), linked to the name at commit. A killed process, SIGKILL
//   included, leaves nothing under any name.
// - a regular file or a symbolic link, dangling or not: the new file is
//   linked to a temporary name ".NAME.XXXXXX" in the same directory at commit
//   and renamed over the name. The name itself is replaced: a link is not
//   followed, so its target is left as it is, and the other names of a
//   hard-linked file keep the old content.
// - a directory: refused ("Is a directory").
// - a FIFO or a device named directly (/dev/null): written in place, as a
//   rename would replace the node itself. A FIFO that no one reads is
//   refused at once ("no reader on the FIFO") rather than waited for.
// Where the file system has no unnamed files, the data goes to a temporary
// file ".NAME.XXXXXX" from the start, renamed over the name at commit; while
// it is open, SIGINT, SIGTERM, SIGQUIT and SIGHUP remove it before the
// process dies of the signal (a SIGKILL leaves it: the programs remove such
// leftovers). A new file's mode is 0666 less the umask.
//
// On Windows (atomic_output_win32.cpp) the data always goes to a temporary
// file ".NAME.XXXXXX" in the name's directory, deleted on close from the
// moment it exists (FILE_FLAG_DELETE_ON_CLOSE; where that mark cannot be
// taken off again, no FileDispositionInfoEx as in Wine 8, it is set right
// after the creation), so that it vanishes however the process ends,
// TerminateProcess included. At commit the mark is taken off and the file
// renamed over the name, which replaces a file or a link there (the name
// itself). An end between those two calls leaves the whole file under the
// temporary name (the programs remove such leftovers), never a partial one.
// A directory is refused ("Is a directory"); a device or a pipe named
// directly (NUL) is written in place. Files are binary.
// The POSIX side is atomic_output_posix.cpp; both share atomic_output.cpp.
#pragma once

#include <cstddef>

#include "tool_error.h"

struct AtomicOutput {
    char final_path[4096];
    char temp_path[4096];  // the temporary name, while there is one
    int fd;                // -1 when nothing is open; a binary C runtime descriptor
    int kind;              // how the data reaches the name (atomic_output.cpp)
};

// Opens the output. 0, or -1 with the reason (the system's text).
int atomic_output_open(AtomicOutput* out, const char* path, ToolError* error);

// Writes all bytes, retrying short writes. 0, or -1 with the reason.
int atomic_output_write(AtomicOutput* out, const void* data, size_t size, ToolError* error);

// Closes the file and puts it under the name. 0, or -1 with the reason, in
// which case nothing new is left under any name.
int atomic_output_commit(AtomicOutput* out, ToolError* error);

// Closes and drops the file (if one is open). Keeps errno.
void atomic_output_abort(AtomicOutput* out);
