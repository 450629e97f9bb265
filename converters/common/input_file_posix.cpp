#include "input_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* kind_text(mode_t mode) {
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a file";
}

}  // namespace

int input_open(const char* path, int* fd, int64_t* size, ToolError* error) {
    *fd = -1;
    // O_NONBLOCK: opening a FIFO must not wait for a writer (it does nothing
    // for the regular files that are read).
    int f = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat st;
    if (f < 0) {
        int saved = errno;
        // A socket cannot be opened at all: say what it is.
        if (saved == ENXIO && stat(path, &st) == 0 && !S_ISREG(st.st_mode))
            return tool_fail(error, "not a regular file (%s)", kind_text(st.st_mode));
        return tool_fail(error, "cannot open: %s", std::strerror(saved));
    }
    if (fstat(f, &st) != 0) {
        int saved = errno;
        close(f);
        return tool_fail(error, "cannot open: %s", std::strerror(saved));
    }
    if (!S_ISREG(st.st_mode)) {
        close(f);
        return tool_fail(error, "not a regular file (%s)", kind_text(st.st_mode));
    }
    *fd = f;
    *size = static_cast<int64_t>(st.st_size);
    return 0;
}

int input_map(int fd, size_t bytes, void** data, ToolError* error) {
    // Read-only: populating a writable private mapping would copy every page.
    void* p = mmap(nullptr, bytes, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (p == MAP_FAILED) return tool_fail(error, "read error: %s", std::strerror(errno));
    *data = p;
    return 0;
}

void input_unmap(void* data, size_t bytes) {
    if (data != nullptr) munmap(data, bytes);
}
