#include "run_command.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "helper_directory.h"
#include "interrupt_watch.h"

#ifndef _WIN32
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace {

CommandOutcome g_last;

#ifndef _WIN32
// posix_spawn of /bin/sh: no fork of a program that holds large frame
// buffers, and SIGINT stays ours to see (system() would ignore it here).
int run_through_shell(const char* line) {
    char sh[] = "sh";
    char dash_c[] = "-c";
    char* argv[] = {sh, dash_c, const_cast<char*>(line), nullptr};
    pid_t pid;
    int rc = posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ);
    if (rc != 0) {
        g_last.not_run = 1;
        errno = rc;
        return -1;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            g_last.not_run = 1;
            return -1;
        }
    }
    if (WIFSIGNALED(status)) {
        g_last.signal = WTERMSIG(status);
        if (g_last.signal == SIGINT || g_last.signal == SIGQUIT) interrupt_note(g_last.signal);
        return -1;
    }
    g_last.exit_status = WEXITSTATUS(status);
    // The shell reports a command killed by a signal as 128 + signal.
    if (g_last.exit_status == 128 + SIGINT || g_last.exit_status == 128 + SIGQUIT)
        interrupt_note(g_last.exit_status - 128);
    return g_last.exit_status == 0 ? 0 : -1;
}
#else
// The runtime's system() starts %COMSPEC% /c (cmd.exe when unset), whose
// built-in del deletes files.
int run_through_shell(const char* line) {
    int status = std::system(line);
    if (status == -1) {
        g_last.not_run = 1;
        return -1;
    }
    g_last.exit_status = status;
    return status == 0 ? 0 : -1;
}
#endif

}  // namespace

int run_command_v(const char* format, va_list args) {
    std::memset(&g_last, 0, sizeof g_last);
    int length = std::vsnprintf(g_last.line, sizeof g_last.line, format, args);
    if (length < 0 || length >= static_cast<int>(sizeof g_last.line)) {
        g_last.line[0] = '\0';
        g_last.not_run = 1;
        return -1;
    }
    std::fflush(stdout);
    put_helpers_first_on_path();
    return run_through_shell(g_last.line);
}

int run_command(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int status = run_command_v(format, args);
    va_end(args);
    return status;
}

const CommandOutcome* last_command_outcome() { return &g_last; }

void describe_command_outcome(const CommandOutcome* outcome, char (&text)[TEXT_BUFFER_SIZE]) {
    if (outcome->not_run && outcome->line[0] == '\0')
        std::snprintf(text, sizeof text, "command line longer than %d characters, not run", TEXT_BUFFER_SIZE - 1);
    else if (outcome->not_run)
        std::snprintf(text, sizeof text, "could not start the command interpreter");
    else if (outcome->signal)
        std::snprintf(text, sizeof text, "killed by signal %d (%s)", outcome->signal, strsignal(outcome->signal));
    else if (outcome->exit_status == 127)
        std::snprintf(text, sizeof text, "command not found (exit status 127)");
    else
        std::snprintf(text, sizeof text, "exited with status %d", outcome->exit_status);
}
