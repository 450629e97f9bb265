// Where the programs' private helpers live, relative to the running program.
#pragma once

#include <string>

// The directory that holds gif2rgb, raw2tiff and del for this program, or ""
// when it cannot be determined or does not exist. The build tree and the
// installed tree have the same layout, so one relative path serves both.
std::string helper_directory();

// Puts the helper directory first on this process's PATH (once), so that
// every command it starts finds the project's own helpers before, say,
// an unrelated raw2tiff elsewhere on PATH.
void put_helpers_first_on_path();
