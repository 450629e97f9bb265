#include "interrupt_watch.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

volatile sig_atomic_t g_requested = 0;

extern "C" void note_signal(int signal_number) { g_requested = signal_number; }

#ifdef _WIN32
const int kWatched[] = {SIGINT, SIGTERM};
#else
// SIGPIPE too: a reader that went away (| head) stops the run the same way,
// instead of killing it in the middle of a frame.
const int kWatched[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGPIPE};
#endif

}  // namespace

void interrupt_watch_begin() {
    for (int sig : kWatched) {
#ifdef _WIN32
        if (std::signal(sig, note_signal) == SIG_IGN) std::signal(sig, SIG_IGN);
#else
        struct sigaction old;
        sigaction(sig, nullptr, &old);
        if (old.sa_handler == SIG_IGN) continue;
        struct sigaction sa;
        std::memset(&sa, 0, sizeof sa);
        sa.sa_handler = note_signal;
        sigemptyset(&sa.sa_mask);
        sigaction(sig, &sa, nullptr);  // no SA_RESTART needed: waits retry on EINTR
#endif
    }
}

int interrupt_requested() { return g_requested; }

void interrupt_note(int signal_number) {
    if (!g_requested) g_requested = signal_number;
}

void interrupt_exit() {
    int sig = g_requested ? static_cast<int>(g_requested) : SIGINT;
    std::fflush(stdout);
    std::signal(sig, SIG_DFL);
#ifndef _WIN32
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
#endif
    std::raise(sig);
    std::_Exit(128 + sig);
}
