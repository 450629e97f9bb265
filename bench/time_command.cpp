// time_command: runs a command several times and prints its wall time
// (median, min, max) and peak memory, for the benchmark script.
//
//   time_command [-n RUNS] [-C DIR] [-p PREPARE] -- COMMAND [ARG...]
//
// DIR is the directory to run in. PREPARE is a shell line run untimed before every run (for example to
// remove the previous run's output). Prints one line:
//   median_s min_s max_s peak_rss_kib peak_child_rss_kib
// where the first peak is the command's own process and the second the
// largest process it started (converters, for the frame programs).
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

// The command's standard output goes to /dev/null, so that a program's
// progress texts cost what they cost but do not mix with the results.
int run(char* const* argv, struct rusage* usage) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    if (wait4(pid, &status, 0, usage) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 5;
    std::string prepare;
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "-n") == 0 && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "-p") == 0 && i + 1 < argc)
            prepare = argv[++i];
        else if (std::strcmp(argv[i], "-C") == 0 && i + 1 < argc) {
            if (chdir(argv[++i]) != 0) {
                std::perror(argv[i]);
                return 1;
            }
        } else {
            std::fprintf(stderr, "usage: time_command [-n RUNS] [-C DIR] [-p PREPARE] -- COMMAND [ARG...]\n");
            return 2;
        }
    }
    if (i + 1 >= argc || runs < 1) {
        std::fprintf(stderr, "usage: time_command [-n RUNS] [-C DIR] [-p PREPARE] -- COMMAND [ARG...]\n");
        return 2;
    }
    char* const* command = argv + i + 1;
    std::vector<double> seconds;
    long peak_self = 0;
    for (int r = 0; r < runs; ++r) {
        if (!prepare.empty() && std::system(prepare.c_str()) != 0) {
            std::fprintf(stderr, "time_command: prepare step failed: %s\n", prepare.c_str());
            return 1;
        }
        struct rusage usage;
        auto start = std::chrono::steady_clock::now();
        int status = run(command, &usage);
        auto end = std::chrono::steady_clock::now();
        if (status < 0) {
            std::fprintf(stderr, "time_command: cannot run %s\n", command[0]);
            return 1;
        }
        seconds.push_back(std::chrono::duration<double>(end - start).count());
        peak_self = std::max(peak_self, usage.ru_maxrss);
    }
    struct rusage children;
    getrusage(RUSAGE_CHILDREN, &children);  // the largest of everything waited for
    std::sort(seconds.begin(), seconds.end());
    double median = seconds.size() % 2 ? seconds[seconds.size() / 2]
                                       : (seconds[seconds.size() / 2 - 1] + seconds[seconds.size() / 2]) / 2;
    std::printf("%.4f %.4f %.4f %ld %ld\n", median, seconds.front(), seconds.back(), peak_self, children.ru_maxrss);
    return 0;
}
