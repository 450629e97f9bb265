// Stopping a long run on Ctrl-C.
//
// While watching, SIGINT, SIGQUIT, SIGTERM, SIGHUP and SIGPIPE only note the
// signal;
// the driver checks between steps, tidies up and then dies of the same signal
// (so a calling shell sees an interrupted program, not a normal exit).
#pragma once

// Starts watching. Signals that were ignored when the program started (nohup,
// a background job) stay ignored.
void interrupt_watch_begin();

// The signal that asked the run to stop, or 0.
int interrupt_requested();

// Notes a stop request seen some other way (a command killed by SIGINT).
void interrupt_note(int signal_number);

// Flushes standard output and ends the process by the noted signal.
[[noreturn]] void interrupt_exit();
