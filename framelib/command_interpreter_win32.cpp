#include <windows.h>

#include <csignal>
#include <cstring>
#include <string>

#include "command_interpreter.h"
#include "helper_directory.h"
#include "interrupt_watch.h"

namespace {

// What a console program ended by Ctrl-C or Ctrl-Break returns.
constexpr DWORD kControlCExit = 0xC000013AUL;
// cmd's exit status for a command it cannot find.
constexpr DWORD kCmdNotFound = 9009;

std::wstring system_cmd() {
    wchar_t dir[MAX_PATH];
    UINT n = GetSystemDirectoryW(dir, MAX_PATH);
    std::wstring path = (n > 0 && n < MAX_PATH) ? std::wstring(dir, n) : std::wstring(L"C:\\Windows\\System32");
    return path + L"\\cmd.exe";
}

std::wstring widen(const char* text, UINT code_page) {
    int n = MultiByteToWideChar(code_page, 0, text, -1, nullptr, 0);
    std::wstring wide(n > 0 ? static_cast<size_t>(n) : 1, L'\0');
    if (n > 0) MultiByteToWideChar(code_page, 0, text, -1, &wide[0], n);
    wide.resize(wide.size() - 1);
    return wide;
}

// cmd looks for a command in the current directory before PATH, and not
// every cmd honours NoDefaultCurrentDirectoryInExePath (Wine's does not):
// a gif2rgb.exe lying among the frames would run. So the interpreter gets
// the programs' own helpers by their full path: /s /c ""DIR\gif2rgb.exe" ARGS".
std::wstring interpreter_arguments(const std::wstring& line) {
    static const std::wstring dir = widen(helper_directory().c_str(), CP_UTF8);
    size_t end = line.find(L' ');
    std::wstring name = line.substr(0, end);
    if (!dir.empty() && (name == L"gif2rgb" || name == L"raw2tiff")) {
        std::wstring exe = dir + L"\\" + name + L".exe";
        if (GetFileAttributesW(exe.c_str()) != INVALID_FILE_ATTRIBUTES)
            return L"/s /c \"\"" + exe + L"\"" + (end == std::wstring::npos ? L"" : line.substr(end)) + L"\"";
    }
    return L"/c " + line;
}

// Starts `interpreter /c line`. The handles the program may pass on (its
// standard handles, the directory lock) are inherited.
bool start(const std::wstring& interpreter, const std::wstring& arguments, PROCESS_INFORMATION* process) {
    std::wstring command = L"\"" + interpreter + L"\" " + arguments;
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    return CreateProcessW(interpreter.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                          process) != 0;
}

}  // namespace

// %COMSPEC% /c LINE, and cmd.exe when COMSPEC is not set or names a program
// that cannot be found or may not be accessed. Done by hand rather than with
// the C runtime's system(), whose fallback is not reliable everywhere.
int run_through_interpreter(const char* line, CommandOutcome* outcome) {
    // cmd's del, given a directory, asks before emptying it: a batch run
    // would wait for an answer (Wine's cmd loops at the end of input).
    if (std::strncmp(line, "del ", 4) == 0) {
        DWORD attributes = GetFileAttributesA(line + 4);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            outcome->not_run = 1;
            outcome->refused = "it names a directory, and del deletes files";
            return -1;
        }
    }
    std::wstring wide_line = interpreter_arguments(widen(line, CP_ACP));
    PROCESS_INFORMATION process;
    bool started = false;
    wchar_t comspec[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"COMSPEC", comspec, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        started = start(comspec, wide_line, &process);
        DWORD error = started ? 0 : GetLastError();
        // Not found, or not a program that may be run: cmd.exe instead.
        if (!started && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
            error != ERROR_ACCESS_DENIED && error != ERROR_INVALID_HANDLE && error != ERROR_BAD_EXE_FORMAT &&
            error != ERROR_DIRECTORY && error != ERROR_INVALID_NAME) {
            outcome->not_run = 1;
            return -1;
        }
    }
    if (!started) started = start(system_cmd(), wide_line, &process);
    if (!started) {
        outcome->not_run = 1;
        return -1;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    if (code == kControlCExit) {
        // Ctrl-C reaches every process of the console: the command's end is
        // the run's stop request too.
        outcome->signal = SIGINT;
        interrupt_note(SIGINT);
        return -1;
    }
    outcome->exit_status = static_cast<int>(code);
    outcome->not_found = code == kCmdNotFound;
    return code == 0 ? 0 : -1;
}

const char* signal_text(int signal_number) {
    switch (signal_number) {
        case SIGINT: return "Ctrl-C";
        case SIGBREAK: return "Ctrl-Break";
        case SIGTERM: return "console closed";
        default: return "signal";
    }
}
