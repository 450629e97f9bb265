#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "program_runs.h"

std::string as_console_text(const std::string& text) { return text; }
std::string from_console_text(const std::string& text) { return text; }

int hold_directory_lock(const std::string& dir) {
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void release_directory_lock(int lock) { close(lock); }

void write_decoy(const std::string& dir, const std::string& name, const std::string& marker) {
    write_script(dir + "/" + name, "#!/bin/sh\ntouch \"" + marker + "\"\nexit 1\n");
}

std::string path_with_first(const std::string& dir) { return dir + ":/usr/bin:/bin"; }
