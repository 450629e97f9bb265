// The programs as Windows console programs: a COMSPEC that names no program,
// and Ctrl-C in the middle of a run. (Windows only: console control events
// and the interpreter's environment.)
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program_runs.h"

namespace {

constexpr DWORD kControlCExit = 0xC000013AUL;

TEST(WindowsRun, ComspecThatNamesNoProgramFallsBackToCmd) {
    Sequence s;
    s.add_frames(0, 1, 8, 4);
    ProcessResult r = s.run(kFramehalver, {"0", "1", "4", "2"}, {"COMSPEC=C:\\no\\such\\interpreter.exe"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(file_exists(s.dir / "im00000.tif"));
    EXPECT_TRUE(file_exists(s.dir / "im00001.tif"));
}

// Started in a process group of its own, then Ctrl-C to that group: the
// program and the interpreter and helper it waits for all get it. The run
// stops, leaves only GIFs and whole TIFFs, and ends as a console program
// ended by Ctrl-C does. Needs a console: under a bare pipe (ctest without a
// terminal) Wine has none, and the test says so.
TEST(WindowsRun, CtrlCStopsTheRunAndLeavesOnlyWholeFiles) {
    Sequence s;
    s.add_frames(0, 29, 200, 100);
    std::string line = "\"" + std::string(kFramehalver) + "\" 0 29 100 50";
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP, nullptr,
                               s.dir.path.c_str(), &startup, &process));
    // A few frames in: the first TIFF exists.
    for (int i = 0; i < 600 && !file_exists(s.dir / "im00001.tif"); ++i) Sleep(50);
    bool sent = GenerateConsoleCtrlEvent(CTRL_C_EVENT, process.dwProcessId) != 0;
    if (!sent) TerminateProcess(process.hProcess, 1);
    DWORD waited = WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!sent) GTEST_SKIP() << "no console to send Ctrl-C on (error " << GetLastError() << ")";
    ASSERT_EQ(waited, WAIT_OBJECT_0) << "the run did not stop";
    EXPECT_EQ(code, kControlCExit);
    size_t tiffs = 0;
    EXPECT_EQ(s.first_stray(0, 0, &tiffs), "");
    EXPECT_LT(tiffs, 30u) << "the run was not stopped";
}

}  // namespace
