#include <windows.h>

#include <string>

#include "helper_directory.h"

#ifndef FRAMETOOLS_HELPERS_FROM_BIN
#define FRAMETOOLS_HELPERS_FROM_BIN "../libexec/frametools"
#endif

namespace {

std::wstring helper_directory_wide() {
    wchar_t exe[32768];
    DWORD n = GetModuleFileNameW(nullptr, exe, sizeof exe / sizeof exe[0]);
    if (n == 0 || n >= sizeof exe / sizeof exe[0]) return L"";
    std::wstring dir(exe, n);
    dir.erase(dir.find_last_of(L"\\/") + 1);
    for (const char* p = FRAMETOOLS_HELPERS_FROM_BIN; *p; ++p) dir += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
    DWORD attributes = GetFileAttributesW(dir.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return L"";
    return dir;
}

std::string narrow(const std::wstring& wide) {
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(n > 0 ? static_cast<size_t>(n) : 1, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &text[0], n, nullptr, nullptr);
    text.resize(text.size() - 1);
    return text;
}

}  // namespace

std::string helper_directory() { return narrow(helper_directory_wide()); }

// cmd looks in the current directory before PATH unless
// NoDefaultCurrentDirectoryInExePath is set: a gif2rgb.exe lying among the
// frames must not be the one that runs.
int put_helpers_first_on_path(std::string* problem) {
    std::wstring dir = helper_directory_wide();
    if (dir.empty()) return 0;
    if (dir.find(L';') != std::wstring::npos || dir.find(L'"') != std::wstring::npos) {
        *problem = "the helper directory " + narrow(dir) + " cannot be put on PATH: its name contains ';' or '\"'";
        return -1;
    }
    std::wstring path = dir;
    DWORD n = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (n > 0) {
        std::wstring old(n, L'\0');
        DWORD got = GetEnvironmentVariableW(L"PATH", &old[0], n);
        old.resize(got);
        path += L";" + old;
    }
    SetEnvironmentVariableW(L"PATH", path.c_str());
    SetEnvironmentVariableW(L"NoDefaultCurrentDirectoryInExePath", L"1");
    return 0;
}
