// Running programs for the tests, on Windows: CreateProcessW with the
// arguments quoted as the C runtime splits them again, standard files as
// inheritable handles, and TerminateProcess for the watchdog. There are no
// file-size limits (file_size_limit is ignored) and no signals.
#include <windows.h>
#include <psapi.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

std::wstring wide(const std::string& text) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &w[0], n);
    return w;
}

// One argument as CommandLineToArgvW and the C runtime read it back:
// quoted when it is empty or holds a space, a tab or a quote; backslashes
// doubled only before a quote (or the closing quote).
void append_quoted(std::wstring* line, const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        *line += arg;
        return;
    }
    *line += L'"';
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            line->append(2 * backslashes + 1, L'\\');
        } else {
            line->append(backslashes, L'\\');
        }
        backslashes = 0;
        *line += c;
    }
    line->append(2 * backslashes, L'\\');
    *line += L'"';
}

std::wstring command_line(const std::vector<std::string>& argv) {
    std::wstring line;
    for (size_t i = 0; i < argv.size(); ++i) {
        if (i > 0) line += L' ';
        append_quoted(&line, wide(argv[i]));
    }
    return line;
}

bool same_name(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::wstring name_of(const std::wstring& entry) {
    // "=C:=C:\..." entries start with '=': the name runs to the second '='.
    size_t eq = entry.find(L'=', entry.empty() || entry[0] != L'=' ? 0 : 1);
    return entry.substr(0, eq);
}

// The test's environment with "NAME=VALUE" entries added or replaced (names
// compared without case, as Windows does), as a CreateProcessW block.
std::wstring environment_block(const std::vector<std::string>& env) {
    std::vector<std::wstring> added;
    for (const std::string& e : env) added.push_back(wide(e));
    std::vector<std::wstring> entries;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
            std::wstring entry = p;
            bool replaced = false;
            for (const std::wstring& a : added) replaced = replaced || same_name(name_of(entry), name_of(a));
            if (!replaced) entries.push_back(entry);
        }
        FreeEnvironmentStringsW(block);
    }
    entries.insert(entries.end(), added.begin(), added.end());
    std::wstring result;
    for (const std::wstring& e : entries) {
        result += e;
        result += L'\0';
    }
    result += L'\0';
    return result;
}

HANDLE inheritable(const std::string& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    return CreateFileW(wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ProcessResult run_process(const ProcessSpec& request) {
    ProcessResult result;
    ScratchDir io;
    const std::string in_path = io / "in", out_path = io / "out", err_path = io / "err";
    HANDLE in = INVALID_HANDLE_VALUE;
    if (request.stdin_bytes) {
        write_file(in_path, *request.stdin_bytes);
        in = inheritable(in_path, GENERIC_READ, OPEN_EXISTING);
    } else {
        in = inheritable("NUL", GENERIC_READ, OPEN_EXISTING);
    }
    HANDLE out = inheritable(out_path, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = inheritable(err_path, GENERIC_WRITE, CREATE_ALWAYS);
    if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) {
        result.err = "run_process: cannot open the standard files: error " + std::to_string(GetLastError()) + "\n";
        for (HANDLE h : {in, out, err})
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        return result;
    }

    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    std::wstring line = command_line(request.argv);
    std::wstring environment = environment_block(request.env);
    std::wstring cwd = wide(request.cwd);
    BOOL started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                                  &environment[0], cwd.empty() ? nullptr : cwd.c_str(), &startup, &process);
    DWORD start_error = started ? 0 : GetLastError();
    CloseHandle(in);
    CloseHandle(out);
    CloseHandle(err);
    if (!started) {
        result.err = "run_process: CreateProcessW failed: error " + std::to_string(start_error) + "\n";
        return result;
    }
    CloseHandle(process.hThread);

    DWORD limit = request.timeout_seconds > 0 ? static_cast<DWORD>(request.timeout_seconds * 1000) : INFINITE;
    if (WaitForSingleObject(process.hProcess, limit) == WAIT_TIMEOUT) {
        result.timed_out = true;
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code)) result.exit_code = static_cast<int>(code);
    PROCESS_MEMORY_COUNTERS memory;
    if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory))
        result.max_rss_kib = static_cast<long>(memory.PeakWorkingSetSize / 1024);
    CloseHandle(process.hProcess);
    result.out = read_file(out_path);
    result.err = read_file(err_path);
    return result;
}

