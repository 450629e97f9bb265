#include "run_command.h"

#include <cstdio>
#include <cstring>

#include "command_interpreter.h"

namespace {

CommandOutcome g_last;

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
    return run_through_interpreter(g_last.line, &g_last);
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
    else if (outcome->refused)
        std::snprintf(text, sizeof text, "not run: %s", outcome->refused);
    else if (outcome->not_run)
        std::snprintf(text, sizeof text, "could not start the command interpreter");
    else if (outcome->signal)
        std::snprintf(text, sizeof text, "killed by signal %d (%s)", outcome->signal, signal_text(outcome->signal));
    else if (outcome->not_found)
        std::snprintf(text, sizeof text, "command not found (exit status %d)", outcome->exit_status);
    else
        std::snprintf(text, sizeof text, "exited with status %d", outcome->exit_status);
}
