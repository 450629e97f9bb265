// The gif2rgb program run in a scratch directory, for gif2rgb_test.cpp and
// gif2rgb_posix_test.cpp.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

// gif2rgb and the fixtures' directory as absolute names of the platform.
const std::string& gif2rgb_path();
const std::string& fixture_dir();

class Gif2rgbTool : public ::testing::Test {
protected:
    // gif2rgb with args in the scratch directory; standard output and error
    // as LF lines.
    ProcessResult run(const std::vector<std::string>& args);
    ProcessResult convert(const std::string& gif, const std::string& out) { return run({"-1", "-o", out, gif}); }
    ScratchDir scratch_;
    const std::string& dir_ = scratch_.path;
};
