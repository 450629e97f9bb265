// What the atomic output tests share (atomic_output_test.cpp and
// atomic_output_posix_test.cpp).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "test_support.h"

// Something put at dir/out before the output is opened.
struct AtName {
    const char* what;
    std::function<void(const ScratchDir&)> put;
};

// What the directory shows while the output is open: nothing new, or (with
// ATOMIC_OUTPUT_SHOWS_TEMP_NAME) the one temporary name ".out.XXXXXX".
void expect_open_output_shows(const ScratchDir& dir, const std::vector<std::string>& before);

// Opens dir/out over what s put there, writes "new", and commits (the name
// then holds "new", nothing else new in the directory) or aborts (the
// directory as it was); a file "target" keeps "old" either way.
void expect_commit_replaces_abort_keeps(const AtName& s);
