#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "work_files.h"

namespace {

FileKind kind_of(mode_t mode) {
    if (S_ISREG(mode)) return FileKind::Regular;
    if (S_ISDIR(mode)) return FileKind::Directory;
    if (S_ISLNK(mode)) return FileKind::Symlink;
    if (S_ISFIFO(mode)) return FileKind::Fifo;
    if (S_ISCHR(mode) || S_ISBLK(mode)) return FileKind::Device;
    return FileKind::Other;
}

// O_NOFOLLOW: a link is refused (ELOOP); O_NONBLOCK: a FIFO without a
// writer or reader never blocks the open; then only a regular file passes.
int open_regular(const char* name, int flags, bool single_link) {
    int fd = open(name, flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) return -1;
    struct stat st;
    int error = 0;
    if (fstat(fd, &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode))
        error = EINVAL;
    else if (single_link && st.st_nlink != 1)
        error = EMLINK;
    else if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        error = errno;
    if (error != 0) {
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

FILE* open_stream(const char* name, int flags, bool single_link, const char* mode) {
    int fd = open_regular(name, flags, single_link);
    if (fd < 0) return nullptr;
    FILE* file = fdopen(fd, mode);
    if (!file) {
        int saved = errno;
        close(fd);
        errno = saved;
    }
    return file;
}

}  // namespace

int probe_file(const char* name, FileProbe* probe) {
    *probe = FileProbe{FileKind::Missing, 0, 0, 0, 0};
    struct stat st;
    if (lstat(name, &st) != 0) return errno == ENOENT ? 0 : -1;
    probe->kind = kind_of(st.st_mode);
    probe->size = static_cast<int64_t>(st.st_size);
    probe->links = static_cast<int64_t>(st.st_nlink);
    probe->device = static_cast<uint64_t>(st.st_dev);
    probe->inode = static_cast<uint64_t>(st.st_ino);
    return 0;
}

FILE* open_for_reading(const char* name) { return open_stream(name, O_RDONLY, false, "rb"); }

FILE* open_for_rewrite(const char* name) { return open_stream(name, O_WRONLY | O_CREAT, true, "wb"); }

int cut_at_position(FILE* file) {
    if (std::fflush(file) != 0) return -1;
    off_t end = ftello(file);
    return end < 0 ? -1 : ftruncate(fileno(file), end);
}

int remove_name(const char* name) { return unlink(name); }

void remove_helper_leftovers(const char* name) {
    const size_t length = std::strlen(name);
    DIR* dir = opendir(".");
    if (!dir) return;
    while (dirent* entry = readdir(dir)) {
        const char* n = entry->d_name;
        // "." NAME "." and six characters.
        if (std::strlen(n) != length + 8 || n[0] != '.' || std::strncmp(n + 1, name, length) != 0 ||
            n[length + 1] != '.')
            continue;
        struct stat st;
        if (lstat(n, &st) == 0 && S_ISREG(st.st_mode)) unlink(n);
    }
    closedir(dir);
}

int read_file_start(const char* name, uint8_t* bytes, int count) {
    int fd = open_regular(name, O_RDONLY, false);
    if (fd < 0) return -1;
    int got = 0;
    while (got < count) {
        ssize_t n = read(fd, bytes + got, static_cast<size_t>(count - got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<int>(n);
    }
    int saved = errno;
    close(fd);
    errno = got == count ? saved : EIO;
    return got == count ? 0 : -1;
}
