#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

#include "command_interpreter.h"
#include "interrupt_watch.h"

extern char** environ;

// posix_spawn of /bin/sh: no fork of a program that holds large frame
// buffers. The interpreter gets a process group of its own, so that a stop
// request sent to the program alone (kill PID, a supervisor) is passed on to
// the interpreter and the helper it started, and not only to the first.
int run_through_interpreter(const char* line, CommandOutcome* outcome) {
    char sh[] = "sh";
    char dash_c[] = "-c";
    char* argv[] = {sh, dash_c, const_cast<char*>(line), nullptr};
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid;
    int rc = posix_spawn(&pid, "/bin/sh", nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0) {
        outcome->not_run = 1;
        errno = rc;
        return -1;
    }
    interrupt_forward_to(pid);
    int status = 0;
    int waited;
    while ((waited = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    interrupt_forward_to(0);
    if (waited < 0) {
        outcome->not_run = 1;
        return -1;
    }
    if (WIFSIGNALED(status)) {
        outcome->signal = WTERMSIG(status);
        if (outcome->signal == SIGINT || outcome->signal == SIGQUIT) interrupt_note(outcome->signal);
        return -1;
    }
    outcome->exit_status = WEXITSTATUS(status);
    outcome->not_found = outcome->exit_status == 127;
    // The shell reports a command killed by a signal as 128 + signal.
    if (outcome->exit_status == 128 + SIGINT || outcome->exit_status == 128 + SIGQUIT)
        interrupt_note(outcome->exit_status - 128);
    return outcome->exit_status == 0 ? 0 : -1;
}

const char* signal_text(int signal_number) { return strsignal(signal_number); }
