#include "atomic_output.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The temporary file a signal must remove; one output at a time per process.
volatile sig_atomic_t g_armed = 0;
char g_signal_temp_path[4096];

const int kCleanupSignals[] = {SIGINT, SIGTERM, SIGQUIT, SIGHUP};

extern "C" void remove_temp_and_die(int sig) {
    if (g_armed) unlink(g_signal_temp_path);
    signal(sig, SIG_DFL);
    raise(sig);
}

void arm(const char* temp_path) {
    std::memcpy(g_signal_temp_path, temp_path, std::strlen(temp_path) + 1);
    g_armed = 1;
    for (int sig : kCleanupSignals) {
        struct sigaction old;
        sigaction(sig, nullptr, &old);
        if (old.sa_handler == SIG_IGN) continue;  // keep what nohup and the like set
        struct sigaction sa;
        std::memset(&sa, 0, sizeof sa);
        sa.sa_handler = remove_temp_and_die;
        sigemptyset(&sa.sa_mask);
        sigaction(sig, &sa, nullptr);
    }
}

void disarm() { g_armed = 0; }

}  // namespace

int atomic_output_open(AtomicOutput* out, const char* path) {
    out->fd = -1;
    out->direct = 0;
    out->temp_path[0] = '\0';
    struct stat st;
    if (stat(path, &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        out->fd = open(path, O_WRONLY | O_CLOEXEC);
        out->direct = 1;
        return out->fd < 0 ? -1 : 0;
    }
    // Through a symbolic link, replace what it points to.
    char resolved[PATH_MAX];
    struct stat link;
    if (lstat(path, &link) == 0 && S_ISLNK(link.st_mode) && realpath(path, resolved)) path = resolved;
    size_t len = std::strlen(path);
    if (len == 0 || len + 16 > sizeof out->final_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(out->final_path, path, len + 1);

    // "<dir>/.<name>.XXXXXX": same directory, so the rename cannot cross devices.
    const char* slash = std::strrchr(path, '/');
    size_t dir_len = slash ? static_cast<size_t>(slash - path) + 1 : 0;
    std::snprintf(out->temp_path, sizeof out->temp_path, "%.*s.%s.XXXXXX",
                  static_cast<int>(dir_len), path, path + dir_len);

    // Block the cleanup signals between creating the file and arming the handler.
    sigset_t block, previous;
    sigemptyset(&block);
    for (int sig : kCleanupSignals) sigaddset(&block, sig);
    sigprocmask(SIG_BLOCK, &block, &previous);
    int fd = mkstemp(out->temp_path);
    int saved = errno;
    if (fd >= 0) arm(out->temp_path);
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    if (fd < 0) {
        errno = saved;
        out->temp_path[0] = '\0';
        return -1;
    }
    // mkstemp makes the file 0600; give it the mode an ordinary create would.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    out->fd = fd;
    return 0;
}

int atomic_output_write(AtomicOutput* out, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(out->fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) {
            errno = EIO;
            return -1;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

int atomic_output_commit(AtomicOutput* out) {
    if (out->fd < 0) {
        errno = EBADF;
        return -1;
    }
    int fd = out->fd;
    out->fd = -1;
    if (out->direct) return close(fd);
    if (close(fd) != 0 || rename(out->temp_path, out->final_path) != 0) {
        int saved = errno;
        unlink(out->temp_path);
        disarm();
        errno = saved;
        return -1;
    }
    disarm();
    return 0;
}

void atomic_output_abort(AtomicOutput* out) {
    int saved = errno;
    if (out->fd >= 0) {
        close(out->fd);
        out->fd = -1;
    }
    if (out->temp_path[0] != '\0') {
        unlink(out->temp_path);
        out->temp_path[0] = '\0';
    }
    disarm();
    errno = saved;
}
