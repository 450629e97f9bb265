// gif2rgb and raw2tiff in a hostile or damaged work directory: whatever sits
// at the output's name, nothing outside the directory is touched through it;
// an input that is not a regular file is refused without blocking. Here the
// cases every platform has; symbolic links, FIFOs, devices and SIGKILL are
// in work_directory_posix_test.cpp, TerminateProcess in
// work_directory_win32_test.cpp.
#include "work_directory_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> gif2rgb_args(const std::string& in, const std::string& out) { return {"-1", "-o", out, in}; }

std::vector<std::string> raw2tiff_args(const std::string& in, const std::string& out) {
    return {"-c", "packbits", in, out};
}

fs::file_type type_of(const std::string& path) {
    std::error_code ec;
    return fs::symlink_status(path, ec).type();
}

}  // namespace

const std::vector<Tool>& tools() {
    static const std::vector<Tool> kTools = {
        {"gif2rgb", native_path(GIF2RGB_PATH), "in.gif", gif2rgb_args},
        {"raw2tiff", native_path(RAW2TIFF_PATH), "in.ppm", raw2tiff_args},
    };
    return kTools;
}

void write_input(const Tool& tool, const std::string& path, int width, int height) {
    std::vector<uint8_t> pixels = random_bytes(static_cast<size_t>(width) * height * 3, 7);
    if (std::string(tool.name) == "gif2rgb") {
        std::vector<uint8_t> indices(static_cast<size_t>(width) * height);
        for (size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<uint8_t>(pixels[i] & 0x0F);
        write_gif(path, width, height, indices, random_bytes(768, 3));
    } else {
        std::string header = "P6\n" + std::to_string(width) + " " + std::to_string(height) + " 255\n";
        write_file(path, header + std::string(pixels.begin(), pixels.end()));
    }
}

ProcessResult run_tool(const Tool& tool, const std::string& dir, const std::string& in, const std::string& out) {
    ProcessSpec request;
    request.argv = {tool.path};
    for (const std::string& a : tool.args(in, out)) request.argv.push_back(a);
    request.cwd = dir;
    request.timeout_seconds = kWatchdogSeconds;
    ProcessResult r = run_process(request);
    r.err = lf_lines(r.err);
    return r;
}

void expect_output_cases(const std::vector<OutputCase>& cases,
                         const std::function<void(const std::string& out)>& written) {
    for (const Tool& tool : tools()) {
        // What the tool writes for this input when nothing is in its way.
        ScratchDir reference;
        write_input(tool, reference / tool.input, 5, 3);
        ASSERT_EQ(run_tool(tool, reference.path, tool.input, "expected").exit_code, 0);
        const std::string expected = read_file(reference / "expected");
        ASSERT_FALSE(expected.empty());

        for (const OutputCase& c : cases) {
            SCOPED_TRACE(std::string(tool.name) + ": " + c.what);
            ScratchDir dir, outside;
            write_input(tool, dir / tool.input, 5, 3);
            c.setup(dir, outside);
            const std::vector<std::string> outside_before = list_dir(outside.path);
            const std::string old_content = read_file(outside / "target");
            const fs::file_type before = type_of(dir / "out");

            ProcessResult r = run_tool(tool, dir.path, tool.input, "out");
            EXPECT_FALSE(r.timed_out);
            std::vector<std::string> left = c.left;
            left.insert(left.begin(), tool.input);
            std::sort(left.begin(), left.end());
            EXPECT_EQ(list_dir(dir.path), left);  // no temporary file either
            EXPECT_EQ(list_dir(outside.path), outside_before);
            EXPECT_EQ(read_file(outside / "target"), old_content);
            if (c.refusal) {
                EXPECT_EQ(r.exit_code, 1);
                EXPECT_EQ(r.err, std::string(tool.name) + ": out: " + c.refusal + "\n");
                EXPECT_EQ(type_of(dir / "out"), before);
            } else {
                EXPECT_EQ(r.exit_code, 0) << r.err;
                EXPECT_EQ(r.err, "");
                EXPECT_EQ(type_of(dir / "out"), fs::file_type::regular);
                EXPECT_TRUE(read_file(dir / "out") == expected);
                if (file_exists(dir / "other")) {
                    EXPECT_EQ(read_file(dir / "other"), "old");
                }
                if (written) written(dir / "out");
            }
        }
    }
}

void expect_input_cases(const std::vector<InputCase>& cases) {
    for (const Tool& tool : tools()) {
        ScratchDir inputs;
        write_input(tool, inputs / tool.input, 4, 4);
        ASSERT_EQ(run_tool(tool, inputs.path, tool.input, "expected").exit_code, 0);
        for (const InputCase& c : cases) {
            SCOPED_TRACE(std::string(tool.name) + ": " + c.what);
            ScratchDir dir;
            c.setup(dir, inputs / tool.input);
            ProcessResult r = run_tool(tool, dir.path, "input", "out");
            EXPECT_FALSE(r.timed_out);
            if (c.refusal) {
                EXPECT_EQ(r.exit_code, 1);
                EXPECT_EQ(r.err, std::string(tool.name) + ": input: " + c.refusal + "\n");
                EXPECT_FALSE(file_exists(dir / "out"));
            } else {
                EXPECT_EQ(r.exit_code, 0) << r.err;
                EXPECT_TRUE(read_file(dir / "out") == read_file(inputs / "expected"));
            }
        }
    }
}

namespace {

TEST(WorkDirectory, WhateverSitsAtTheOutputName) {
    expect_output_cases(
        {
            {"nothing at the name", [](const ScratchDir&, const ScratchDir&) {}, nullptr, {"out"}},
            {"a file: replaced",
             [](const ScratchDir& d, const ScratchDir&) { write_file(d / "out", "old"); },
             nullptr,
             {"out"}},
            {"a file beside it: kept",
             [](const ScratchDir& d, const ScratchDir&) { write_file(d / "other", "old"); },
             nullptr,
             {"other", "out"}},
            {"a directory",
             [](const ScratchDir& d, const ScratchDir&) { fs::create_directory(d / "out"); },
             "Is a directory",
             {"out"}},
        },
        nullptr);
}

TEST(WorkDirectory, InputsMustBeRegularFiles) {
    expect_input_cases({
        {"a directory", [](const ScratchDir& d, const std::string&) { fs::create_directory(d / "input"); },
         "not a regular file (a directory)"},
        {"a copy of a regular file",
         [](const ScratchDir& d, const std::string& real) { fs::copy_file(real, d / "input"); }, nullptr},
    });
}

}  // namespace
