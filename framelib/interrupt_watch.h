// Stopping a long run on Ctrl-C and the like.
//
// While watching, SIGINT, SIGQUIT, SIGTERM and SIGHUP (on Windows the
// console's Ctrl-C, Ctrl-Break and close events), and SIGPIPE only note the
// stop request; the driver checks between steps, tidies up and then dies of
// the same signal (so a calling shell sees an interrupted program, not a
// normal exit). A request that arrives while a command runs is passed on to
// that command's processes, so the run ends at once even when only the
// program itself was signalled. The platform's code is in
// interrupt_watch_posix.cpp and interrupt_watch_win32.cpp.
#pragma once

// Starts watching. Signals that were ignored when the program started (nohup,
// a background job) stay ignored. On POSIX a file size limit (SIGXFSZ) then
// fails writes instead of killing the run, for the commands too.
void interrupt_watch_begin();

// The signal that asked the run to stop, or 0.
int interrupt_requested();

// Notes a stop request seen some other way (a command killed by SIGINT).
void interrupt_note(int signal_number);

// The command now being waited for, whose processes get every later stop
// request; 0 when none. `process` is the platform's handle for it (the
// process group on POSIX).
void interrupt_forward_to(long process);

// Flushes standard output and ends the process by the noted signal.
[[noreturn]] void interrupt_exit();
