#include "atomic_output.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "atomic_output_parts.h"

const char kAtomicOutputSeparators[] = "/";

namespace {

enum OutputKind {
    kUnnamedNew,      // O_TMPFILE; the name was free: linked to it at commit
    kUnnamedReplace,  // O_TMPFILE; linked to a temporary name, renamed over the name
    kNamedTemp,       // no O_TMPFILE here: a named temporary file from the start
    kDirect,          // a FIFO or a device, written in place
};

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

// Holds the cleanup signals off while a temporary name exists that no
// handler knows of.
void block_cleanup_signals(sigset_t* previous) {
    sigset_t block;
    sigemptyset(&block);
    for (int sig : kCleanupSignals) sigaddset(&block, sig);
    sigprocmask(SIG_BLOCK, &block, previous);
}

void restore_signals(const sigset_t* previous) { sigprocmask(SIG_SETMASK, previous, nullptr); }

// Replaces the trailing XXXXXX of temp_path with random letters and digits.
void random_suffix(char* temp_path) {
    static unsigned counter = 0;
    unsigned char bytes[6];
    if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        unsigned long mix = static_cast<unsigned long>(now.tv_nsec) ^ (static_cast<unsigned long>(getpid()) << 16) ^
                            (++counter * 2654435761u);
        for (unsigned char& b : bytes) {
            b = static_cast<unsigned char>(mix);
            mix = mix * 6364136223846793005ul + 1442695040888963407ul;
            b ^= static_cast<unsigned char>(mix >> 33);
        }
    }
    atomic_output_fill_suffix(temp_path, bytes);
}

// Gives the unnamed file open at fd the name `name` (which must be free).
// 0, or -1 with errno.
int link_unnamed(int fd, const char* name) {
    char proc[64];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    if (linkat(AT_FDCWD, proc, AT_FDCWD, name, AT_SYMLINK_FOLLOW) == 0) return 0;
    int saved = errno;
    if (saved != ENOENT) return -1;
    // No /proc: the descriptor itself, where the process may do that.
    if (linkat(fd, "", AT_FDCWD, name, AT_EMPTY_PATH) == 0) return 0;
    errno = saved;
    return -1;
}

// The name of a FIFO or device: opened in place, never through a link, and
// without waiting for a reader. 0 with out->fd; 1 when what is there now is
// a regular file or a directory after all (the caller looks again); -1 with
// the reason.
int open_direct(AtomicOutput* out, ToolError* error) {
    int fd = open(out->final_path, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENXIO) {
            struct stat st;
            if (lstat(out->final_path, &st) == 0 && S_ISFIFO(st.st_mode))
                return tool_fail(error, "no reader on the FIFO");
        }
        return tool_fail_errno(error, errno);
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        int saved = errno;
        close(fd);
        return tool_fail_errno(error, saved);
    }
    if (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) {
        close(fd);  // replaced since it was looked at: nothing was written
        return 1;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);  // the writes may wait
    out->fd = fd;
    out->kind = kDirect;
    return 0;
}

// The fallback: ".<name>.XXXXXX" created at once, removed by the handlers.
int open_named_temp(AtomicOutput* out, ToolError* error) {
    atomic_output_temp_pattern(out);
    sigset_t previous;
    block_cleanup_signals(&previous);
    int fd = mkostemp(out->temp_path, O_CLOEXEC);
    int saved = errno;
    if (fd >= 0) arm(out->temp_path);
    restore_signals(&previous);
    if (fd < 0) {
        out->temp_path[0] = '\0';
        return tool_fail_errno(error, saved);
    }
    // mkstemp makes the file 0600; give it the mode an ordinary create would.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    out->fd = fd;
    out->kind = kNamedTemp;
    return 0;
}

// Links the unnamed file to a fresh temporary name, closes it and renames
// that over the target. 0, or -1 with the reason and no name left behind.
int commit_by_rename(AtomicOutput* out, int fd, ToolError* error) {
    atomic_output_temp_pattern(out);
    sigset_t previous;
    block_cleanup_signals(&previous);
    int rc = -1;
    int saved = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        random_suffix(out->temp_path);
        rc = link_unnamed(fd, out->temp_path);
        saved = errno;
        if (rc == 0 || saved != EEXIST) break;
    }
    if (close(fd) != 0 && rc == 0) {
        saved = errno;
        unlink(out->temp_path);
        rc = -1;
    } else if (rc == 0 && rename(out->temp_path, out->final_path) != 0) {
        saved = errno;
        unlink(out->temp_path);
        rc = -1;
    }
    restore_signals(&previous);
    out->temp_path[0] = '\0';
    return rc == 0 ? 0 : tool_fail_errno(error, saved);
}

}  // namespace

int atomic_output_open(AtomicOutput* out, const char* path, ToolError* error) {
    if (atomic_output_take_name(out, path, error) != 0) return -1;
    out->kind = kDirect;

    bool name_free = false;
    for (int look = 0;; ++look) {
        struct stat st;
        if (lstat(path, &st) != 0) {
            if (errno != ENOENT) return tool_fail_errno(error, errno);
            name_free = true;
        } else if (S_ISDIR(st.st_mode)) {
            return tool_fail_errno(error, EISDIR);
        } else if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode) && look < 3) {
            int rc = open_direct(out, error);
            if (rc <= 0) return rc;
            continue;  // a regular file or a directory took its place: look again
        }
        break;
    }

    // The unnamed file lives in the target's directory, so linking it there
    // cannot cross file systems.
    char dir[4096];
    const char* slash = std::strrchr(path, '/');
    if (slash == nullptr) {
        std::strcpy(dir, ".");
    } else {
        size_t dir_len = slash == path ? 1 : static_cast<size_t>(slash - path);
        std::memcpy(dir, path, dir_len);
        dir[dir_len] = '\0';
    }
#if defined(O_TMPFILE) && !defined(ATOMIC_OUTPUT_WITHOUT_TMPFILE)
    int fd = open(dir, O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
#else
    // Built for a system without unnamed files (and to test the fallback).
    int fd = -1;
    errno = EOPNOTSUPP;
#endif
    if (fd < 0) {
        if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return open_named_temp(out, error);
        return tool_fail_errno(error, errno);
    }
    out->fd = fd;
    out->kind = name_free ? kUnnamedNew : kUnnamedReplace;
    return 0;
}

int atomic_output_commit(AtomicOutput* out, ToolError* error) {
    if (out->fd < 0) return tool_fail_errno(error, EBADF);
    int fd = out->fd;
    out->fd = -1;
    switch (out->kind) {
        case kDirect: return close(fd) == 0 ? 0 : tool_fail_errno(error, errno);
        case kUnnamedNew:
            if (link_unnamed(fd, out->final_path) == 0) {
                if (close(fd) == 0) return 0;
                int saved = errno;
                unlink(out->final_path);
                return tool_fail_errno(error, saved);
            }
            // Something took the name meanwhile: replace it like any other.
            if (errno == EEXIST) return commit_by_rename(out, fd, error);
            {
                int saved = errno;
                close(fd);
                return tool_fail_errno(error, saved);
            }
        case kUnnamedReplace: return commit_by_rename(out, fd, error);
        default: break;
    }
    // kNamedTemp
    int rc = 0;
    if (close(fd) != 0 || rename(out->temp_path, out->final_path) != 0) {
        rc = tool_fail_errno(error, errno);
        unlink(out->temp_path);
    }
    disarm();
    out->temp_path[0] = '\0';
    return rc;
}

void atomic_output_abort(AtomicOutput* out) {
    int saved = errno;
    if (out->fd >= 0) {
        close(out->fd);
        out->fd = -1;
    }
    if (out->kind == kNamedTemp && out->temp_path[0] != '\0') {
        unlink(out->temp_path);
        out->temp_path[0] = '\0';
        disarm();
    }
    errno = saved;
}
