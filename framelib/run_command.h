// Running one converter command line through the command interpreter.
#pragma once

#include <cstdarg>

#include "text_buffer.h"

// Formats the command into a TEXT_BUFFER_SIZE buffer, flushes standard output
// (so that a log shows our texts and the command's in the order they
// happened), runs it through the interpreter and waits for it to end.
// 0 when the command exited with status 0; -1 when it failed, was killed, or
// could not be run at all (a line that does not fit the buffer is never run).
// Stop requests that arrive meanwhile are passed on to the command (see
// interrupt_watch.h).
int run_command(const char* format, ...) __attribute__((format(printf, 1, 2)));
int run_command_v(const char* format, va_list args);

// What became of the last command, for messages.
struct CommandOutcome {
    char line[TEXT_BUFFER_SIZE];  // the formatted command line ("" when it did not fit)
    int not_run;                  // 1: it did not fit, or the interpreter could not be started
    int not_found;                // 1: the interpreter found no such command
    const char* refused;          // why the platform did not run it, else null
    int exit_status;              // when it ran and exited
    int signal;                   // when it was killed, else 0
};

const CommandOutcome* last_command_outcome();

// One line such as "exited with status 1" or "killed by signal 2 (Interrupt)".
void describe_command_outcome(const CommandOutcome* outcome, char (&text)[TEXT_BUFFER_SIZE]);
