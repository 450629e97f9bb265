#include <windows.h>

#include <vector>

#include "program_runs.h"

namespace {

std::vector<HANDLE> g_locks;

}  // namespace

std::string as_console_text(const std::string& text) {
    std::string crlf;
    for (char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    return crlf;
}

std::string from_console_text(const std::string& text) {
    std::string lf;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf += text[i];
    return lf;
}

// The lock file a run keeps open without sharing (work_directory_lock_win32.cpp).
int hold_directory_lock(const std::string& dir) {
    std::string path = dir + "\\.frametools-lock";
    HANDLE lock = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (lock == INVALID_HANDLE_VALUE) return -1;
    g_locks.push_back(lock);
    return static_cast<int>(g_locks.size() - 1);
}

void release_directory_lock(int lock) {
    CloseHandle(g_locks[static_cast<size_t>(lock)]);
    g_locks[static_cast<size_t>(lock)] = INVALID_HANDLE_VALUE;
}

// A batch file: cmd finds NAME.bat where it would find NAME.exe.
void write_decoy(const std::string& dir, const std::string& name, const std::string& marker) {
    write_file(dir + "\\" + name + ".bat", "@echo off\r\ntype nul > \"" + marker + "\"\r\nexit /b 1\r\n");
}

std::string path_with_first(const std::string& dir) {
    char system[MAX_PATH];
    UINT n = GetSystemDirectoryA(system, MAX_PATH);
    std::string sys(system, n);
    return dir + ";" + sys + ";" + sys.substr(0, sys.find_last_of('\\'));
}
