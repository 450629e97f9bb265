#include <windows.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "interrupt_watch.h"

namespace {

volatile LONG g_requested = 0;

constexpr UINT kControlCExit = 0xC000013AU;

// Runs on a thread of its own that the console starts. Ctrl-C and
// Ctrl-Break reach every process of the console, the commands included, so
// nothing needs passing on. After a close, logoff or shutdown event the
// process is ended once the handler returns: give the driver a moment to
// tidy up first.
BOOL WINAPI note_event(DWORD event) {
    int sig = event == CTRL_C_EVENT ? SIGINT : event == CTRL_BREAK_EVENT ? SIGBREAK : SIGTERM;
    InterlockedCompareExchange(&g_requested, sig, 0);
    if (sig == SIGTERM) Sleep(3000);
    return TRUE;
}

}  // namespace

// A program started in a process group of its own has Ctrl-C turned off;
// the run wants it on, to stop cleanly.
void interrupt_watch_begin() {
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(note_event, TRUE);
}

int interrupt_requested() { return static_cast<int>(InterlockedCompareExchange(&g_requested, 0, 0)); }

void interrupt_note(int signal_number) { InterlockedCompareExchange(&g_requested, signal_number, 0); }

void interrupt_forward_to(long) {}

// As a console program ended by Ctrl-C does.
void interrupt_exit() {
    std::fflush(stdout);
    ExitProcess(kControlCExit);
}
