// What atomic_output_posix.cpp and atomic_output_win32.cpp share
// (atomic_output.cpp).
#pragma once

#include <cstddef>

#include "atomic_output.h"

// The characters that end a directory in a path: "/", and on Windows "\\"
// too (defined in the platform's file).
extern const char kAtomicOutputSeparators[];

// Starts *out for path (nothing open, no temporary name) and keeps the
// name. -1 with ENAMETOOLONG's text for an empty or too long name, with
// EISDIR's for a name that ends in a separator.
int atomic_output_take_name(AtomicOutput* out, const char* path, ToolError* error);

// The length of the directory part of path, its last separator included
// (0 for a bare name).
size_t atomic_output_dir_length(const char* path);

// temp_path = "<dir>/.<name>.XXXXXX" for the final "<dir>/<name>".
void atomic_output_temp_pattern(AtomicOutput* out);

// Replaces the trailing XXXXXX of temp_path with letters and digits made
// from the six bytes.
void atomic_output_fill_suffix(char* temp_path, const unsigned char bytes[6]);
