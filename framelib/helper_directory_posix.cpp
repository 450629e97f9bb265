#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "helper_directory.h"

#ifndef FRAMETOOLS_HELPERS_FROM_BIN
#define FRAMETOOLS_HELPERS_FROM_BIN "../libexec/frametools"
#endif

std::string helper_directory() {
#if defined(__linux__)
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return "";
    exe[n] = '\0';
    std::string dir(exe);
    dir.erase(dir.find_last_of('/') + 1);
    dir += FRAMETOOLS_HELPERS_FROM_BIN;
    struct stat st;
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return "";
    return dir;
#else
    return "";  // elsewhere the helpers are found on PATH
#endif
}

int put_helpers_first_on_path(std::string* problem) {
    std::string dir = helper_directory();
    if (dir.empty()) return 0;
    if (dir.find(':') != std::string::npos) {
        *problem = "the helper directory " + dir + " cannot be put on PATH: its name contains ':'";
        return -1;
    }
    const char* old = std::getenv("PATH");
    // An unset PATH means the shell's default search path; keep that behind ours.
    std::string path = dir + ":" + ((old && *old) ? old : "/usr/local/bin:/usr/bin:/bin");
    setenv("PATH", path.c_str(), 1);
    return 0;
}
