// Windows only: a converter ended with TerminateProcess (what a stopped run
// or a closed console does to it) at moments from its start to its end, and
// while its temporary ".out.XXXXXX" is visible: the file marked for deletion
// goes with the process, so at any moment nothing but the input and a whole
// output may be left. Where files cannot be created deleted-on-close and
// kept after all (no FileDispositionInfoEx: Wine 8, Windows before 10
// 1709), the mark follows the creation, and an end between the two leaves
// an empty temporary file; and everywhere the mark must come off before the
// rename (a file renamed while marked is deleted under its new name), so an
// end between those two leaves the whole output under the temporary name.
// The programs remove both as leftovers; a partial file is never allowed.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "work_directory_test.h"

namespace {

constexpr UINT kTerminated = 137;

// Started with standard input and output on NUL, in dir; null on failure.
HANDLE start(const std::vector<std::string>& args, const std::string& dir) {
    std::string line;
    for (const std::string& a : args) line += (line.empty() ? "\"" : " \"") + a + "\"";
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE null = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                              OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = null;
    PROCESS_INFORMATION process;
    BOOL ok = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, dir.c_str(), &startup, &process);
    CloseHandle(null);
    if (!ok) return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// Whether this system can take the deletion off a file created with
// FILE_FLAG_DELETE_ON_CLOSE (what atomic_output_win32.cpp prefers).
bool disposition_ex_works(const std::string& dir) {
    std::string path = dir + "/probe";
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                           nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    struct {
        DWORD Flags;
    } on_close_delete = {0x8 | 0x1};  // FILE_DISPOSITION_FLAG_ON_CLOSE | FILE_DISPOSITION_FLAG_DELETE
    bool works = SetFileInformationByHandle(h, static_cast<FILE_INFO_BY_HANDLE_CLASS>(21),  // FileDispositionInfoEx
                                            &on_close_delete, sizeof on_close_delete) != 0;
    CloseHandle(h);
    return works;
}

bool temp_visible(const std::string& dir) {
    for (const std::string& name : list_dir(dir))
        if (name.rfind(".out.", 0) == 0) return true;
    return false;
}

TEST(WorkDirectory, ATerminatedConverterLeavesNothing) {
    bool closes_the_window;
    {
        ScratchDir probe;
        closes_the_window = disposition_ex_works(probe.path);
    }
    int left_empty = 0, left_whole = 0;
    for (const Tool& tool : tools()) {
        SCOPED_TRACE(tool.name);
        ScratchDir dir;
        write_input(tool, dir / tool.input, 3000, 3000);
        std::vector<std::string> args = {tool.path};
        for (const std::string& a : tool.args(tool.input, "out")) args.push_back(a);
        ASSERT_EQ(run_tool(tool, dir.path, tool.input, "out").exit_code, 0);
        const size_t full_size = read_file(dir / "out").size();
        ASSERT_GT(full_size, 3000u * 3000u / 4);
        std::filesystem::remove(dir / "out");

        struct Moment {
            bool after_open;  // counted from when the temporary name shows, else from the start
            int milliseconds;
        } moments[] = {{false, 0}, {false, 5}, {false, 20}, {false, 50}, {false, 100}, {false, 200},
                       {true, 0},  {true, 0},  {true, 1},   {true, 3},   {true, 8}};
        int killed_writing = 0;
        for (const Moment& m : moments) {
            SCOPED_TRACE(std::string(m.after_open ? "after open + " : "from start + ") +
                         std::to_string(m.milliseconds) + " ms");
            HANDLE process = start(args, dir.path);
            ASSERT_NE(process, nullptr);
            bool open_seen = false;
            if (m.after_open) {
                auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
                while (!open_seen && std::chrono::steady_clock::now() < until &&
                       WaitForSingleObject(process, 0) == WAIT_TIMEOUT)
                    open_seen = temp_visible(dir.path);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(m.milliseconds));
            TerminateProcess(process, kTerminated);
            ASSERT_EQ(WaitForSingleObject(process, static_cast<DWORD>(kWatchdogSeconds * 1000)), WAIT_OBJECT_0);
            DWORD code = 0;
            GetExitCodeProcess(process, &code);
            CloseHandle(process);
            EXPECT_TRUE(code == kTerminated || code == 0) << code;
            killed_writing += code == kTerminated && open_seen;
            // Ended after its commit, or finished: then the whole output.
            if (file_exists(dir / "out")) {
                EXPECT_EQ(read_file(dir / "out").size(), full_size);
                std::filesystem::remove(dir / "out");
            }
            // A temporary file may be left only in the two windows between
            // calls that cannot be one: whole, ended between the mark's removal
            // and the rename; empty, ended between the creation and the mark
            // where that is two calls. Never a partial one.
            for (const std::string& name : list_dir(dir.path)) {
                if (name == tool.input) continue;
                size_t size = read_file(dir / name).size();
                bool allowed = name.rfind(".out.", 0) == 0 && (size == full_size || (size == 0 && !closes_the_window));
                EXPECT_TRUE(allowed) << name << " left, " << size << " bytes";
                if (allowed) {
                    std::filesystem::remove(dir / name);
                    ++(size == 0 ? left_empty : left_whole);
                }
            }
            EXPECT_EQ(list_dir(dir.path), std::vector<std::string>{tool.input});
        }
        EXPECT_GE(killed_writing, 1);  // at least one end fell while it wrote
    }
    RecordProperty("empty_temporary_files_left", left_empty);
    RecordProperty("whole_temporary_files_left", left_whole);
    if (left_empty + left_whole > 0)
        std::printf("temporary files left: %d empty (ended between creation and mark), %d whole (ended between "
                    "the mark's removal and the rename)\n",
                    left_empty, left_whole);
}

}  // namespace
