// What the work-directory tests share: the two converters, their inputs,
// and tables of what may sit at an output's or an input's name
// (work_directory_test.cpp on every platform, work_directory_posix_test.cpp
// and work_directory_win32_test.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "test_support.h"

// Long enough for a slow sanitizer build or Wine, short enough that a
// converter blocked in open fails the test instead of hanging the suite.
constexpr double kWatchdogSeconds = 60;

struct Tool {
    const char* name;
    std::string path;
    const char* input;  // its input's name in the work directory
    std::vector<std::string> (*args)(const std::string& in, const std::string& out);
};

// gif2rgb and raw2tiff.
const std::vector<Tool>& tools();

// A small picture as either tool's input.
void write_input(const Tool& tool, const std::string& path, int width, int height);

ProcessResult run_tool(const Tool& tool, const std::string& dir, const std::string& in, const std::string& out);

struct OutputCase {
    const char* what;
    // Puts something at dir/out, using `outside` (another directory) for
    // whatever a link points to.
    std::function<void(const ScratchDir& dir, const ScratchDir& outside)> setup;
    const char* refusal;            // the reason, or null when the output is written
    std::vector<std::string> left;  // the work directory afterwards
};

// Runs both tools with "out" as the output over each case: the output is
// written whole (then `written` checks more about dir/out) or refused, and
// the directories hold exactly what they should, no temporary file either.
void expect_output_cases(const std::vector<OutputCase>& cases,
                         const std::function<void(const std::string& out)>& written);

struct InputCase {
    const char* what;
    std::function<void(const ScratchDir& dir, const std::string& real_input)> setup;
    const char* refusal;  // null: read like the real input
};

// Runs both tools with dir/input as the input over each case.
void expect_input_cases(const std::vector<InputCase>& cases);
