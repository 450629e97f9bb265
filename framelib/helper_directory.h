// Where the programs' private helpers live, relative to the running program.
// The platform's code is in helper_directory_posix.cpp and
// helper_directory_win32.cpp.
#pragma once

#include <string>

// The directory that holds gif2rgb, raw2tiff and del for this program, or ""
// when it cannot be determined or does not exist. The build tree and the
// installed tree have the same layout, so one relative path serves both.
std::string helper_directory();

// Puts the helper directory first on this process's PATH, so that every
// command it starts finds the project's own helpers before, say, an
// unrelated raw2tiff elsewhere on PATH. 0 when done or when there is no
// helper directory (the commands are then looked up on PATH as they are);
// -1 with *problem set when the directory exists but PATH cannot name it
// faithfully (a ':' in its path would split it in two).
int put_helpers_first_on_path(std::string* problem);
