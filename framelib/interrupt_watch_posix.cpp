#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "interrupt_watch.h"

namespace {

volatile sig_atomic_t g_requested = 0;
volatile sig_atomic_t g_forward_group = 0;  // process group of the command being waited for

// SIGPIPE too: a reader that went away (| head) stops the run the same way,
// instead of killing it in the middle of a frame. It is not passed on: the
// commands do not write to our reader.
const int kWatched[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGPIPE};

extern "C" void note_signal(int signal_number) {
    if (!g_requested) g_requested = signal_number;
    if (g_forward_group > 0 && signal_number != SIGPIPE) kill(-static_cast<pid_t>(g_forward_group), signal_number);
}

}  // namespace

void interrupt_watch_begin() {
    // A file size limit then fails the write (and is reported) instead of
    // killing the run; the commands inherit this.
    signal(SIGXFSZ, SIG_IGN);
    // The commands run in a process group of their own, which a terminal
    // with "stty tostop" would stop when a helper prints a message.
    signal(SIGTTOU, SIG_IGN);
    for (int sig : kWatched) {
        struct sigaction old;
        sigaction(sig, nullptr, &old);
        if (old.sa_handler == SIG_IGN) continue;
        struct sigaction sa;
        std::memset(&sa, 0, sizeof sa);
        sa.sa_handler = note_signal;
        sigemptyset(&sa.sa_mask);
        sigaction(sig, &sa, nullptr);  // no SA_RESTART needed: waits retry on EINTR
    }
}

int interrupt_requested() { return g_requested; }

void interrupt_note(int signal_number) {
    if (!g_requested) g_requested = signal_number;
}

void interrupt_forward_to(long process) {
    g_forward_group = static_cast<sig_atomic_t>(process);
    // A request that came before the command's group existed.
    int sig = g_requested;
    if (process > 0 && sig && sig != SIGPIPE) kill(-static_cast<pid_t>(process), sig);
}

void interrupt_exit() {
    int sig = g_requested ? static_cast<int>(g_requested) : SIGINT;
    std::fflush(stdout);
    signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(sig);
    std::_Exit(128 + sig);
}
