// Output files that appear whole or not at all.
//
// The data goes to a temporary file in the target's directory; only a
// successful commit renames it over the target, so a reader never sees a
// truncated file under the real name, and an existing target is replaced only
// by a complete new one. While a file is open, SIGINT, SIGTERM, SIGQUIT and
// SIGHUP remove the temporary file before the process dies of the signal.
//
// A target that exists and is not a regular file (/dev/null, a pipe) is
// written in place: renaming over it would replace the device node itself.
// A symbolic link to a regular file keeps the link: its target is replaced.
#pragma once

#include <cstddef>

struct AtomicOutput {
    char final_path[4096];
    char temp_path[4096];
    int fd;      // -1 when nothing is open
    int direct;  // 1: writing straight into a device or pipe
};

// Creates the temporary file; -1 with errno set when it cannot be created.
int atomic_output_open(AtomicOutput* out, const char* path);

// Writes all bytes, retrying short writes; -1 with errno set on failure.
int atomic_output_write(AtomicOutput* out, const void* data, size_t size);

// Closes the temporary file and renames it to the target; -1 with errno set
// on failure, in which case the temporary file is removed.
int atomic_output_commit(AtomicOutput* out);

// Closes and removes the temporary file (if one is open). Keeps errno.
void atomic_output_abort(AtomicOutput* out);
