// The programs in a work directory that others can write to, or that is
// damaged: names the programs choose are never a way to write outside the
// directory, nothing blocks, nothing stray stays behind, and nothing that
// went wrong goes unreported.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "program_runs.h"

namespace {

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The run under a watchdog: a run that blocks is killed and shows as 137.
ProcessResult run_guarded(const Sequence& s, const std::string& program, const std::vector<std::string>& args,
                          const std::vector<std::string>& env = {}) {
    std::vector<std::string> argv = {"timeout", "-s", "KILL", "20", program};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_process(argv, s.dir.path, env);
}

std::string text_of(const std::string& path) {
    std::vector<uint8_t> bytes = read_bytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Something planted under a name the run chooses, for each thing that can
// sit there: the run goes through, reports it, and leaves what lies outside
// the directory exactly as it was.
TEST(HostileDirectory, PlantedNamesNeverLeadOutsideTheDirectory) {
    enum Plant { Symlink, DanglingSymlink, HardLink, Fifo };
    struct Case {
        const char* program;
        const char* name;
        Plant plant;
        const char* reported;
    } cases[] = {
        {kFramehalver, "_tmp.ppm", Symlink, "_tmp.ppm: a symbolic link was in the way"},
        {kFramehalver, "_tmp.ppm", DanglingSymlink, "_tmp.ppm: a symbolic link was in the way"},
        {kFramehalver, "_tmp.ppm", HardLink, "_tmp.ppm: a file with other names was in the way"},
        {kFramehalver, "_tmp.ppm", Fifo, "_tmp.ppm: a FIFO was in the way"},
        {kFramehalver, "im00000.raw", Symlink, "im00000.raw: a symbolic link was in the way"},
        {kFieldweaver, "im00001.raw", DanglingSymlink, "im00001.raw: a symbolic link was in the way"},
        {kFieldweaver, "im00000.raw", HardLink, "im00000.raw: a file with other names was in the way"},
        {kFieldweaver, "im00001.raw", Fifo, "im00001.raw: a FIFO was in the way"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.program) + " " + c.name + " plant " + std::to_string(c.plant));
        Sequence s;
        bool halver = c.program == kFramehalver;
        s.add_frames(0, 1, 8, 4);
        ScratchDir outside;
        std::string victim = outside / "precious";
        write_bytes(victim, {'k', 'e', 'e', 'p'});
        chmod(victim.c_str(), 0600);
        std::string planted = s.dir / c.name;
        switch (c.plant) {
            case Symlink: ASSERT_EQ(symlink(victim.c_str(), planted.c_str()), 0); break;
            case DanglingSymlink: ASSERT_EQ(symlink((outside / "created").c_str(), planted.c_str()), 0); break;
            case HardLink: ASSERT_EQ(link(victim.c_str(), planted.c_str()), 0); break;
            case Fifo: ASSERT_EQ(mkfifo(planted.c_str(), 0644), 0); break;
        }
        ProcessResult r = run_guarded(s, c.program, {"0", halver ? "1" : "0", "4", halver ? "2" : "4"});
        EXPECT_EQ(r.exit_code, 1) << r.err;
        EXPECT_TRUE(has(r.err, c.reported)) << r.err;
        struct stat st;
        ASSERT_EQ(stat(victim.c_str(), &st), 0);
        EXPECT_EQ(text_of(victim), "keep");
        EXPECT_EQ(st.st_mode & 07777, 0600u);
        EXPECT_FALSE(file_exists(outside / "created"));
        std::vector<std::string> tiffs = {"im00000.tif"};
        if (halver) tiffs.push_back("im00001.tif");
        EXPECT_EQ(s.files(), s.gifs_and(tiffs));
    }
}

// 720 x 540 frames given to fieldweaver with its default 1440 x 270 fields
// have the right byte count and the wrong shape.
TEST(HostileDirectory, FrameOfTheRightByteCountAndTheWrongShapeIsReported) {
    Sequence s;
    s.add_frames(0, 1, 8, 4);  // 96 bytes, as a 16 x 2 field
    ProcessResult r = run_guarded(s, kFieldweaver, {"0", "0", "8", "2"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(has(r.err, "fieldweaver: im00000.gif: a 8 x 4 picture, but width 8 and height 2 on the command line "
                           "need 16 x 2\n"))
        << r.err;
    EXPECT_TRUE(has(r.err, "fieldweaver: im00001.gif: a 8 x 4 picture")) << r.err;
    EXPECT_EQ(s.files(), s.gifs_and({"im00000.tif"}));  // the bytes are still used as they are
}

// A FIFO where a GIF should be would block the decoder forever.
TEST(HostileDirectory, FifoInsteadOfAGifIsRefusedWithoutBlocking) {
    Sequence s;
    s.add_frames(0, 0, 8, 4);
    ASSERT_EQ(mkfifo((s.dir / "im00001.gif").c_str(), 0644), 0);
    ProcessResult r = run_guarded(s, kFramehalver, {"0", "1", "4", "2"});
    EXPECT_EQ(r.exit_code, 1) << r.err;
    EXPECT_TRUE(has(r.err, "gif2rgb: im00001.gif: ")) << r.err;
    EXPECT_TRUE(has(r.err, "framehalver: gif2rgb -1 -o im00001.raw im00001.gif: exited with status 1")) << r.err;
}

// del deletes files only, as the Windows interpreter's built-in does.
TEST(HostileDirectory, DirectoryUnderARawNameIsNotRemoved) {
    Sequence s;
    s.add_frames(0, 0, 8, 4);
    ASSERT_EQ(mkdir((s.dir / "im00000.raw").c_str(), 0755), 0);
    ProcessResult r = run_guarded(s, kFramehalver, {"0", "0", "4", "2"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(has(r.err, "framehalver: del im00000.raw: exited with status 1\n")) << r.err;
    EXPECT_TRUE(has(r.err, "del: im00000.raw: Is a directory\n")) << r.err;
    EXPECT_TRUE(file_exists(s.dir / "im00000.raw"));
}

// A lost progress record is a failure of the run, said once.
TEST(HostileDirectory, LostStandardOutputIsReported) {
    Sequence s;
    s.add_frames(0, 2, 8, 4);
    ProcessResult r = run_process({"sh", "-c", "exec \"$@\" >/dev/full", "sh", kFramehalver, "0", "2", "4", "2"},
                                  s.dir.path);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "framehalver: standard output: No space left on device\n");
    EXPECT_EQ(s.files(), s.gifs_and({"im00000.tif", "im00001.tif", "im00002.tif"}));
    ProcessResult syntax = run_process({"sh", "-c", "exec \"$@\" >/dev/full", "sh", kFieldweaver}, s.dir.path);
    EXPECT_EQ(syntax.exit_code, 1);
    EXPECT_EQ(syntax.err, "fieldweaver: standard output: No space left on device\n");
}

// The helpers are the programs' own or none: a PATH that cannot name their
// directory faithfully stops the run before anything is touched.
TEST(HostileDirectory, HelperDirectoryThatPathCannotNameIsRefused) {
    ProgramTree tree;
    make_program_tree(&tree, kFieldweaver, "with:colon", {});
    Sequence s;
    s.add_frames(0, 1, 8, 4);
    ScratchDir decoys;
    for (const char* name : {"gif2rgb", "raw2tiff", "del"})
        write_script(decoys / name, "#!/bin/sh\ntouch \"" + decoys.path + "/ran\"\n");
    ProcessResult r = s.run(tree.program, {"0", "0", "4", "4"}, {"PATH=" + decoys.path + ":/usr/bin:/bin"});
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "fieldweaver: the helper directory " + tree.root +
                         "/bin/../libexec/frametools cannot be put on PATH: its name contains ':'\n");
    EXPECT_FALSE(file_exists(decoys / "ran"));
    EXPECT_EQ(s.files(), s.gifs_and({}));
}

// A helper killed outright (the OOM killer, a supervisor) cannot remove its
// temporary file; the program does.
TEST(HostileDirectory, WhatAKilledHelperLeftIsRemoved) {
    ProgramTree tree;
    make_program_tree(&tree, kFramehalver, "tree",
                      {{"gif2rgb", "#!/bin/sh\necho partial > .$3.Ab12Cd\nkill -KILL $$\n"}});
    Sequence s;
    s.add_frames(0, 0, 8, 4);
    ProcessResult r = s.run(tree.program, {"0", "0", "4", "2"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_TRUE(has(r.err, "framehalver: gif2rgb -1 -o im00000.raw im00000.gif: exited with status 137")) << r.err;
    EXPECT_EQ(s.files(), s.gifs_and({"im00000.tif"}));
}

// Reads a number a stub helper wrote, waiting for it to appear.
long wait_for_number(const std::string& path) {
    for (int i = 0; i < 2000; ++i) {
        std::ifstream in(path);
        long n = 0;
        if (in >> n) return n;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return 0;
}

// Whether a process still runs (a zombie waiting to be reaped does not).
bool alive(long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string number, name, state;
    return static_cast<bool>(in >> number >> name >> state) && state != "Z";
}

// SIGTERM to the program alone (kill PID, a supervisor) while a helper runs:
// the helper gets it too, and the run ends by the signal at once.
TEST(HostileDirectory, StopSentToTheProgramAloneReachesItsHelper) {
    for (int sig : {SIGTERM, SIGINT}) {
        ProgramTree tree;
        make_program_tree(&tree, kFieldweaver, "tree", {{"gif2rgb", "#!/bin/sh\necho $$ > started\nexec sleep 60\n"}});
        Sequence s;
        s.add_frames(0, 1, 8, 4);
        int pid = spawn_process({tree.program, "0", "0", "4", "4"}, s.dir.path);
        long helper = wait_for_number(s.dir / "started");
        ASSERT_GT(helper, 0);
        kill(pid, sig);
        Waited w = wait_process(pid, 20);
        EXPECT_FALSE(w.timed_out) << "the program waited for its helper";
        EXPECT_EQ(w.signal, sig);
        for (int i = 0; i < 200 && alive(helper); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_FALSE(alive(helper)) << "the helper outlived the run";
        std::remove((s.dir / "started").c_str());
        EXPECT_EQ(s.files(), s.gifs_and({}));
    }
}

// A run killed outright leaves its helper running: the directory stays
// locked until that helper has ended too.
TEST(HostileDirectory, LockHoldsWhileAnyProcessOfTheRunLives) {
    ProgramTree tree;
    make_program_tree(&tree, kFieldweaver, "tree", {{"raw2tiff", "#!/bin/sh\necho $$ > started\nexec sleep 60\n"}});
    Sequence s;
    s.add_frames(0, 1, 8, 4);
    int pid = spawn_process({tree.program, "0", "0", "4", "4"}, s.dir.path);
    long helper = wait_for_number(s.dir / "started");
    ASSERT_GT(helper, 0);
    kill(pid, SIGKILL);
    wait_process(pid, 20);
    ProcessResult second = s.run(kFieldweaver, {"0", "0", "4", "4"});
    EXPECT_EQ(second.exit_code, 1);
    EXPECT_EQ(second.err, "fieldweaver: another run is using this directory\n");
    kill(static_cast<pid_t>(helper), SIGKILL);
    for (int i = 0; i < 200 && alive(helper); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ProcessResult third = s.run(kFieldweaver, {"0", "0", "4", "4"});
    EXPECT_EQ(third.exit_code, 0) << third.err;
}

// A directory the program may write to but not read: the lock cannot be
// taken there, and the run must not go ahead without it.
TEST(HostileDirectory, LockThatCannotBeTakenStopsTheRun) {
    Sequence s;
    s.add_frames(0, 1, 8, 4);
    chmod(s.dir.path.c_str(), 0333);
    std::vector<std::string> argv = {kFieldweaver, "0", "0", "4", "4"};
    if (geteuid() == 0) argv.insert(argv.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    ProcessResult r = run_process(argv, s.dir.path);
    chmod(s.dir.path.c_str(), 0755);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "fieldweaver: cannot lock this directory against a second run: Permission denied\n");
    EXPECT_EQ(s.files(), s.gifs_and({}));
}

}  // namespace
