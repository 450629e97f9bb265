// The programs under faults and misuse: a full disk, Ctrl-C in the middle of
// a run, and long runs.
#include <gtest/gtest.h>
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "program_runs.h"

namespace {

// Everything in the directory is a GIF or a complete TIFF of the given size.
void expect_only_gifs_and_whole_tiffs(const Sequence& s, int width, int height) {
    size_t tiffs = 0;
    EXPECT_EQ(s.first_stray(width, height, &tiffs), "");
}

// A file size limit stands in for a full disk; SIGXFSZ is ignored, so a
// write that does not fit fails with EFBIG.
ProcessResult run_with_file_limit(const Sequence& s, const char* program, long limit,
                                  const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"/bin/sh", "-c",
                                     "trap '' XFSZ; exec prlimit --fsize=" + std::to_string(limit) + " -- \"$@\"", "sh",
                                     program};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_process(argv, s.dir.path);
}

TEST(DiskFull, TemporaryFileThatDoesNotFitIsReportedAndNotConverted) {
    Sequence s;
    s.add_frames(0, 3, 20, 10);  // raw files of 600 bytes, _tmp.ppm of 613
    ProcessResult r = run_with_file_limit(s, kFieldweaver, 605, {"0", "2", "10", "10"});
    EXPECT_EQ(r.exit_code, 1);
    for (const char* tif : {"im00000.tif", "im00001.tif"}) {
        EXPECT_NE(r.err.find(std::string("fieldweaver: _tmp.ppm: cannot write: File too large; ") + tif +
                             " not converted\n"),
                  std::string::npos)
            << r.err;
    }
    expect_only_gifs_and_whole_tiffs(s, 10, 20);
    EXPECT_EQ(s.files().size(), 4u) << "no TIFF may be made from a truncated _tmp.ppm";
}

TEST(DiskFull, TiffThatDoesNotFitIsReportedAndLeavesNothing) {
    Sequence s;
    s.add_frames(0, 3, 20, 10);  // random pictures: the PackBits TIFF is larger than _tmp.ppm
    ProcessResult r = run_with_file_limit(s, kFieldweaver, 640, {"0", "2", "10", "10"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("raw2tiff: im00000.tif: File too large\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("fieldweaver: raw2tiff -c packbits _tmp.ppm im00001.tif: exited with status 1\n"),
              std::string::npos)
        << r.err;
    expect_only_gifs_and_whole_tiffs(s, 10, 20);
    EXPECT_EQ(s.files().size(), 4u);
}

TEST(DiskFull, RawFileThatDoesNotFitIsReported) {
    Sequence s;
    s.add_frames(0, 1, 40, 40);  // raw files of 4800 bytes, _tmp.ppm of 1213
    ProcessResult r = run_with_file_limit(s, kFramehalver, 4000, {"0", "1", "20", "20"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("framehalver: gif2rgb -1 -o im00001.raw im00001.gif: exited with status 1; "
                         "the source buffer keeps its earlier content\n"),
              std::string::npos)
        << r.err;
    expect_only_gifs_and_whole_tiffs(s, 20, 20);
}

// Ctrl-C reaches the whole process group: the program and the converter it
// is waiting for. The run must stop at once and leave only whole files.
TEST(Interrupt, CtrlCStopsTheRunAndLeavesOnlyWholeFiles) {
    for (const char* program : {kFramehalver, kFieldweaver}) {
        for (int delay_ms : {40, 90, 170, 260}) {
            Sequence s;
            s.add_frames(0, 59, 600, 400);
            bool halver = program == kFramehalver;
            int pid = spawn_process({program, "0", "59", "300", halver ? "200" : "400"}, s.dir.path);
            ASSERT_GT(pid, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
            auto sent = std::chrono::steady_clock::now();
            kill(-pid, SIGINT);
            Waited w = wait_process(pid, 10);
            double stop = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
            EXPECT_FALSE(w.timed_out);
            EXPECT_LT(stop, 1.0) << program;
            EXPECT_EQ(w.signal, SIGINT) << program << ": a stopped run must not look like a finished one";
            expect_only_gifs_and_whole_tiffs(s, 300, halver ? 200 : 800);
            EXPECT_LT(s.files().size(), 60u + 60u) << "the run was not stopped";
        }
    }
}

// A reader that goes away (| head) stops the run like Ctrl-C, and leaves
// nothing half-done behind.
TEST(Interrupt, ClosedOutputStopsTheRun) {
    Sequence s;
    s.add_frames(0, 19, 8, 2);
    ProcessResult r = run_process(
        {"/bin/sh", "-c", "\"$@\" 2>err | true; sleep 0.2", "sh", kFieldweaver, "0", "18", "4", "2"}, s.dir.path);
    std::vector<uint8_t> err = read_bytes(s.dir / "err");
    std::remove((s.dir / "err").c_str());
    EXPECT_NE(std::string(err.begin(), err.end()).find("fieldweaver: interrupted (Broken pipe); stopping\n"),
              std::string::npos);
    expect_only_gifs_and_whole_tiffs(s, 4, 4);
    EXPECT_LT(s.files().size(), 30u) << "the run went on without its reader";
}

// A thousand frames: nothing left behind but GIFs and TIFFs, no descriptor
// that is not closed, and memory that does not grow with the frame count.
TEST(LongRun, ThousandFramesLeaveNothingAndStayFlat) {
    struct Case {
        const char* program;
        int out_w, out_h, gif_w, gif_h;
    } cases[] = {
        {kFramehalver, 2, 2, 4, 4},
        {kFieldweaver, 2, 2, 4, 2},
    };
    for (const Case& c : cases) {
        Sequence s;
        s.add_frames(0, 999, c.gif_w, c.gif_h);
        bool halver = c.program == kFramehalver;
        std::string last = halver ? "999" : "998";
        std::string w = std::to_string(c.out_w), h = std::to_string(c.out_h);

        int pid = spawn_process({c.program, "0", halver ? "9" : "18", w, h}, s.dir.path);
        Waited short_run = wait_process(pid, 60);
        ASSERT_EQ(short_run.exit_code, 0);

        pid = spawn_process({c.program, "0", last, w, h}, s.dir.path);
        ASSERT_GT(pid, 0);
        // Descriptors, sampled while the program runs: whatever it inherited
        // (the first sample may come before it takes its lock), its lock, and
        // at most one file it is reading or writing.
        std::string proc = "/proc/" + std::to_string(pid);
        size_t first = 0, most = 0;
        auto start = std::chrono::steady_clock::now();
        for (;;) {
            char exe[4096] = "";
            ssize_t n = readlink((proc + "/exe").c_str(), exe, sizeof exe - 1);
            if (n > 0 && std::string(exe, static_cast<size_t>(n)) == c.program) {
                size_t count = 0;
                if (DIR* dir = opendir((proc + "/fd").c_str())) {
                    while (dirent* e = readdir(dir))
                        if (e->d_name[0] != '.') ++count;
                    closedir(dir);
                }
                if (first == 0) first = count;
                most = std::max(most, count);
            }
            // Look without reaping, so that /proc stays the program's until the end.
            siginfo_t info;
            info.si_pid = 0;
            if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid)
                break;
            if (std::chrono::steady_clock::now() - start > std::chrono::seconds(600)) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        Waited long_run = wait_process(pid, 60);
        ASSERT_EQ(long_run.exit_code, 0) << c.program;
        ASSERT_GT(first, 0u);
        EXPECT_LE(most, first + 2) << c.program << ": descriptors pile up";
        EXPECT_LT(long_run.max_rss_kib, short_run.max_rss_kib + 2048) << c.program << ": memory grows with the run";
        expect_only_gifs_and_whole_tiffs(s, c.out_w, 2 * c.out_h / (halver ? 2 : 1));
        EXPECT_EQ(s.files().size(), halver ? 2000u : 1500u) << c.program;
    }
}

}  // namespace
