// POSIX only: what sits at a name may be a symbolic link, a hard link, a
// FIFO or a device, new files get their mode from the umask, and a
// converter can be killed with SIGKILL at any moment (watched through /proc).
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "work_directory_test.h"

namespace {

mode_t mode_of(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

mode_t current_umask() {
    mode_t mask = umask(0);
    umask(mask);
    return mask;
}

TEST(WorkDirectory, LinksFifosAndModesAtTheOutputName) {
    const mode_t new_file_mode = 0666 & ~current_umask();
    expect_output_cases(
        {
            {"nothing at the name", [](const ScratchDir&, const ScratchDir&) {}, nullptr, {"out"}},
            {"a file with a second name: that name keeps the old content",
             [](const ScratchDir& d, const ScratchDir&) {
                 write_file(d / "out", "old");
                 link((d / "out").c_str(), (d / "other").c_str());
             },
             nullptr,
             {"other", "out"}},
            {"a link to a file elsewhere: the link is replaced, the file kept",
             [](const ScratchDir& d, const ScratchDir& o) {
                 write_file(o / "target", "old");
                 symlink((o / "target").c_str(), (d / "out").c_str());
             },
             nullptr,
             {"out"}},
            {"a dangling link: nothing is created where it points",
             [](const ScratchDir& d, const ScratchDir& o) { symlink((o / "nothing").c_str(), (d / "out").c_str()); },
             nullptr,
             {"out"}},
            {"a link to a directory: the link is replaced",
             [](const ScratchDir& d, const ScratchDir& o) { symlink(o.path.c_str(), (d / "out").c_str()); },
             nullptr,
             {"out"}},
            {"a link to a FIFO: the link is replaced, the FIFO not opened",
             [](const ScratchDir& d, const ScratchDir& o) {
                 mkfifo((o / "fifo").c_str(), 0600);
                 symlink((o / "fifo").c_str(), (d / "out").c_str());
             },
             nullptr,
             {"out"}},
            {"a FIFO nobody reads",
             [](const ScratchDir& d, const ScratchDir&) { mkfifo((d / "out").c_str(), 0600); },
             "no reader on the FIFO",
             {"out"}},
        },
        [&](const std::string& out) { EXPECT_EQ(mode_of(out) & 07777, new_file_mode); });
}

// A raw file can be streamed anywhere; a TIFF is written with seeks, which
// a device does not keep, so raw2tiff reports a failed write instead.
TEST(WorkDirectory, ADeviceNamedDirectlyIsWrittenInPlace) {
    for (const Tool& tool : tools()) {
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

TEST(WorkDirectory, InputsMustBeRegularFilesNotLinksToOthers) {
    expect_input_cases({
        {"a FIFO no one writes to",
         [](const ScratchDir& d, const std::string&) { mkfifo((d / "input").c_str(), 0600); },
         "not a regular file (a FIFO)"},
        {"a link to /dev/zero",
         [](const ScratchDir& d, const std::string&) { symlink("/dev/zero", (d / "input").c_str()); },
         "not a regular file (a character device)"},
        {"a link to a directory",
         [](const ScratchDir& d, const std::string&) { symlink(d.path.c_str(), (d / "input").c_str()); },
         "not a regular file (a directory)"},
        {"a link to a regular file",
         [](const ScratchDir& d, const std::string& real) { symlink(real.c_str(), (d / "input").c_str()); }, nullptr},
    });
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
    for (const Tool& tool : tools()) {
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
        } moments[] = {{false, 0},  {false, 2}, {false, 5}, {false, 10}, {false, 20}, {false, 40},
                       {false, 80}, {true, 0},  {true, 1},  {true, 3},   {true, 8}};
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
