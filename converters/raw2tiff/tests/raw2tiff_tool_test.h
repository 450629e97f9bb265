// The raw2tiff program run in a scratch directory, for raw2tiff_test.cpp and
// raw2tiff_posix_test.cpp.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "test_support.h"

class Raw2tiff : public ::testing::Test {
protected:
    // Runs the tool with args; file_limit > 0 caps the size of any file it
    // writes (POSIX); input, if given, comes on stdin. Standard output and
    // error as LF lines.
    ProcessResult run(const std::vector<std::string>& args, uint64_t file_limit = 0,
                      const std::string* input = nullptr);
    std::vector<std::string> listing() { return list_dir(dir_); }

    ScratchDir scratch_;
    const std::string& dir_ = scratch_.path;
};

// Pixels with runs and noise in them, so every encoder path gets used.
std::string make_pixels(int width, int height, unsigned seed);

// A binary PPM file's bytes.
std::string ppm(int width, int height, const std::string& pixels);
