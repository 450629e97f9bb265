// gif2rgb and raw2tiff in a hostile or damaged work directory: whatever sits
// at the output's name, nothing outside the directory is touched through it;
// an input that is not a regular file is refused without blocking; a killed
// converter leaves nothing behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

// Long enough for a slow sanitizer build, short enough that a converter
// blocked in open fails the test instead of hanging the suite.
constexpr double kWatchdogSeconds = 60;

struct Tool {
    const char* name;
    const char* path;
    const char* input;  // its input's name in the work directory
    std::vector<std::string> (*args)(const std::string& in, const std::string& out);
};

std::vector<std::string> gif2rgb_args(const std::string& in, const std::string& out) {
    return {"-1", "-o", out, in};
}

std::vector<std::string> raw2tiff_args(const std::string& in, const std::string& out) {
    return {"-c", "packbits", in, out};
}

const Tool kTools[] = {
    {"gif2rgb", GIF2RGB_PATH, "in.gif", gif2rgb_args},
    {"raw2tiff", RAW2TIFF_PATH, "in.ppm", raw2tiff_args},
};

// A small picture as either tool's input.
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

ProcessResult run_tool(const Tool& tool, const std::string& dir, const std::string& in,
                       const std::string& out) {
    ProcessSpec spec;
    spec.argv = {tool.path};
    for (const std::string& a : tool.args(in, out)) spec.argv.push_back(a);
    spec.cwd = dir;
    spec.timeout_seconds = kWatchdogSeconds;
    return run_process(spec);
}

bool is_regular(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

mode_t mode_of(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

mode_t current_umask() {
    mode_t mask = umask(0);
    umask(mask);
    return mask;
}

struct OutputCase {
    const char* what;
    // Puts something at dir/out, using `outside` (another directory) for
    // whatever a link points to.
    std::function<void(const ScratchDir& dir, const ScratchDir& outside)> setup;
    const char* refusal;  // the reason, or null when the output is written
    std::vector<std::string> left;  // the work directory afterwards
};

std::vector<OutputCase> output_cases() {
    return {
        {"nothing at the name", [](const ScratchDir&, const ScratchDir&) {}, nullptr, {"out"}},
        {"a file with a second name: that name keeps the old content",
         [](const ScratchDir& d, const ScratchDir&) {
             write_file(d / "out", "old");
             link((d / "out").c_str(), (d / "other").c_str());
         },
         nullptr, {"other", "out"}},
        {"a link to a file elsewhere: the link is replaced, the file kept",
         [](const ScratchDir& d, const ScratchDir& o) {
             write_file(o / "target", "old");
             symlink((o / "target").c_str(), (d / "out").c_str());
         },
         nullptr, {"out"}},
        {"a dangling link: nothing is created where it points",
         [](const ScratchDir& d, const ScratchDir& o) { symlink((o / "nothing").c_str(), (d / "out").c_str()); },
         nullptr, {"out"}},
        {"a link to a directory: the link is replaced",
         [](const ScratchDir& d, const ScratchDir& o) { symlink(o.path.c_str(), (d / "out").c_str()); },
         nullptr, {"out"}},
        {"a link to a FIFO: the link is replaced, the FIFO not opened",
         [](const ScratchDir& d, const ScratchDir& o) {
             mkfifo((o / "fifo").c_str(), 0600);
             symlink((o / "fifo").c_str(), (d / "out").c_str());
         },
         nullptr, {"out"}},
        {"a directory", [](const ScratchDir& d, const ScratchDir&) { mkdir((d / "out").c_str(), 0700); },
         "Is a directory", {"out"}},
        {"a FIFO nobody reads", [](const ScratchDir& d, const ScratchDir&) { mkfifo((d / "out").c_str(), 0600); },
         "no reader on the FIFO", {"out"}},
    };
}

TEST(WorkDirectory, WhateverSitsAtTheOutputName) {
    const mode_t new_file_mode = 0666 & ~current_umask();
    for (const Tool& tool : kTools) {
        // What the tool writes for this input when nothing is in its way.
        ScratchDir reference;
        write_input(tool, reference / tool.input, 5, 3);
        ASSERT_EQ(run_tool(tool, reference.path, tool.input, "expected").exit_code, 0);
        const std::string expected = read_file(reference / "expected");
        ASSERT_FALSE(expected.empty());

        for (const OutputCase& c : output_cases()) {
            SCOPED_TRACE(std::string(tool.name) + ": " + c.what);
            ScratchDir dir, outside;
            write_input(tool, dir / tool.input, 5, 3);
            c.setup(dir, outside);
            const std::vector<std::string> outside_before = list_dir(outside.path);
            const std::string old_content = read_file(outside / "target");
            const mode_t before = mode_of(dir / "out");

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
                EXPECT_EQ(mode_of(dir / "out"), before);
            } else {
                EXPECT_EQ(r.exit_code, 0) << r.err;
                EXPECT_EQ(r.err, "");
                EXPECT_TRUE(is_regular(dir / "out"));
                EXPECT_EQ(mode_of(dir / "out") & 07777, new_file_mode);
                EXPECT_TRUE(read_file(dir / "out") == expected);
                if (file_exists(dir / "other")) {
                    EXPECT_EQ(read_file(dir / "other"), "old");
                }
            }
        }
    }
}

// A raw file can be streamed anywhere; a TIFF is written with seeks, which
// a device does not keep, so raw2tiff reports a failed write instead.
TEST(WorkDirectory, ADeviceNamedDirectlyIsWrittenInPlace) {
    for (const Tool& tool : kTools) {
        SCOPED_TRACE(tool.name);
        ScratchDir dir;
        write_input(tool, dir / tool.input, 5, 3);
        ProcessResult r = run_tool(tool, dir.path, tool.input, "/dev/null");
        if (std::string(tool.name) == "gif2rgb") {
            EXPECT_EQ(r.exit_code, 0) << r.err;
        } else {
            EXPECT_EQ(r.exit_code, 1);
            EXPECT_EQ(r.err.rfind("raw2tiff: /dev/null: ", 0), 0u) << r.err;
        }
        EXPECT_TRUE(S_ISCHR(mode_of("/dev/null")));
        EXPECT_EQ(list_dir(dir.path), std::vector<std::string>{tool.input});
    }
}

struct InputCase {
    const char* what;
    std::function<void(const ScratchDir& dir, const std::string& real_input)> setup;
    const char* refusal;  // null: read like the real input
};

TEST(WorkDirectory, InputsMustBeRegularFiles) {
    const InputCase cases[] = {
        {"a FIFO no one writes to",
         [](const ScratchDir& d, const std::string&) { mkfifo((d / "input").c_str(), 0600); },
         "not a regular file (a FIFO)"},
        {"a link to /dev/zero",
         [](const ScratchDir& d, const std::string&) { symlink("/dev/zero", (d / "input").c_str()); },
         "not a regular file (a character device)"},
        {"a directory", [](const ScratchDir& d, const std::string&) { mkdir((d / "input").c_str(), 0700); },
         "not a regular file (a directory)"},
        {"a link to a directory",
         [](const ScratchDir& d, const std::string&) { symlink(d.path.c_str(), (d / "input").c_str()); },
         "not a regular file (a directory)"},
        {"a link to a regular file",
         [](const ScratchDir& d, const std::string& real) { symlink(real.c_str(), (d / "input").c_str()); },
         nullptr},
    };
    for (const Tool& tool : kTools) {
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

// Whether the process has a file in dir open other than its input: the
// output it is writing (an unnamed file shows as "dir/#INODE (deleted)").
bool has_output_open(int pid, const std::string& dir, const std::string& input) {
    std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    for (const std::string& fd : list_dir(fds)) {
        char target[4096];
        ssize_t n = readlink((fds + "/" + fd).c_str(), target, sizeof target - 1);
        if (n <= 0) continue;
        std::string path(target, static_cast<size_t>(n));
        if (path.rfind(dir + "/", 0) == 0 && path != dir + "/" + input) return true;
    }
    return false;
}

// SIGKILL at moments from the start to the end of a conversion of a large
// frame, and at moments after the output was opened: at any of them nothing
// but the input and a whole output may be left.
TEST(WorkDirectory, AKilledConverterLeavesNothing) {
    for (const Tool& tool : kTools) {
        SCOPED_TRACE(tool.name);
        ScratchDir dir;
        write_input(tool, dir / tool.input, 3000, 3000);
        std::vector<std::string> args = {tool.path};
        for (const std::string& a : tool.args(tool.input, "out")) args.push_back(a);
        ASSERT_EQ(wait_process(spawn_process(args, dir.path), kWatchdogSeconds).exit_code, 0);
        const size_t full_size = read_file(dir / "out").size();
        ASSERT_GT(full_size, 3000u * 3000u / 4);
        unlink((dir / "out").c_str());

        struct Moment {
            bool after_open;  // counted from when the output is open, else from the start
            int milliseconds;
        } moments[] = {{false, 0}, {false, 2}, {false, 5}, {false, 10}, {false, 20}, {false, 40},
                       {false, 80}, {true, 0}, {true, 1}, {true, 3}, {true, 8}};
        int killed_writing = 0;
        for (const Moment& m : moments) {
            SCOPED_TRACE(std::string(m.after_open ? "after open + " : "from start + ") +
                         std::to_string(m.milliseconds) + " ms");
            int pid = spawn_process(args, dir.path);
            ASSERT_GT(pid, 0);
            bool open_seen = false;
            if (m.after_open) {
                for (int polls = 0; polls < 200000 && !open_seen; ++polls) {
                    open_seen = has_output_open(pid, dir.path, tool.input);
                    if (!open_seen) usleep(50);
                }
            }
            usleep(static_cast<useconds_t>(m.milliseconds) * 1000);
            kill(-pid, SIGKILL);
            Waited w = wait_process(pid, kWatchdogSeconds);
            EXPECT_TRUE(w.signal == SIGKILL || w.exit_code == 0);
            killed_writing += w.signal == SIGKILL && open_seen;
            // Killed after its commit, or finished: then the whole output.
            if (file_exists(dir / "out")) {
                EXPECT_EQ(read_file(dir / "out").size(), full_size);
                unlink((dir / "out").c_str());
            }
            EXPECT_EQ(list_dir(dir.path), std::vector<std::string>{tool.input});
        }
        EXPECT_GE(killed_writing, 1);  // at least one kill fell while it wrote
    }
}

}  // namespace
