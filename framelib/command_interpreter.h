// The platform's command interpreter, behind run_command: /bin/sh -c LINE on
// POSIX (command_interpreter_posix.cpp), %COMSPEC% /c LINE on Windows
// (command_interpreter_win32.cpp).
#pragma once

#include "run_command.h"

// Runs the line and waits until the interpreter has ended; fills not_run,
// not_found, exit_status and signal of the outcome. A command ended by
// Ctrl-C is noted as a stop request (interrupt_watch.h). 0 when it exited
// with status 0, else -1.
int run_through_interpreter(const char* line, CommandOutcome* outcome);

// The name of a signal for messages ("Interrupt").
const char* signal_text(int signal_number);
