// Running programs for the tests, on POSIX systems: fork and exec, with the
// child's directory, limits and standard files set up between the two.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "test_support.h"

extern char** environ;

namespace {

// The null-terminated pointer array exec wants; the strings must outlive it.
std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (std::string& s : strings) p.push_back(&s[0]);
    p.push_back(nullptr);
    return p;
}

// The test's environment with "NAME=VALUE" entries added or replaced.
std::vector<std::string> environment_with(const std::vector<std::string>& env) {
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        bool replaced = false;
        for (const std::string& add : env)
            if (entry.compare(0, add.find('=') + 1, add, 0, add.find('=') + 1) == 0) replaced = true;
        if (!replaced) environment.push_back(entry);
    }
    environment.insert(environment.end(), env.begin(), env.end());
    return environment;
}

// A name without a slash, found on PATH as a shell would.
std::string program_path(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    for (size_t start = 0; start <= dirs.size();) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = (end > start ? dirs.substr(start, end - start) : ".") + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return name;
}

struct Child {
    pid_t pid = -1;
    int stdin_fd = -1;  // our end of the stdin pipe, non-blocking; -1 when none
};

// Starts the program. out_path and err_path null: the test's own stream.
// Everything the child needs is prepared before the fork: between fork and
// exec it only calls what is safe there.
Child start(const ProcessSpec& request, const char* out_path, const char* err_path, bool own_group) {
    Child child;
    std::string program = program_path(request.argv.at(0));
    std::vector<std::string> args = request.argv;
    std::vector<char*> argv = pointers(args);
    std::vector<std::string> environment = environment_with(request.env);
    std::vector<char*> envp = pointers(environment);
    const char* cwd = request.cwd.empty() ? nullptr : request.cwd.c_str();
    int pipe_fds[2] = {-1, -1};
    if (request.stdin_bytes && pipe2(pipe_fds, O_CLOEXEC) != 0) return child;
    struct rlimit limit = {static_cast<rlim_t>(request.file_size_limit), static_cast<rlim_t>(request.file_size_limit)};

    pid_t pid = fork();
    if (pid == 0) {
        if (own_group) setpgid(0, 0);
        int in = pipe_fds[0] >= 0 ? pipe_fds[0] : open("/dev/null", O_RDONLY);
        dup2(in, 0);
        if (out_path) dup2(open(out_path, O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        if (err_path) dup2(open(err_path, O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        if (cwd && chdir(cwd) != 0) {
            static const char kMessage[] = "cannot change to the test's directory\n";
            ssize_t ignored = write(2, kMessage, sizeof kMessage - 1);
            (void)ignored;
            _exit(2);
        }
        if (request.file_size_limit > 0) setrlimit(RLIMIT_FSIZE, &limit);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    if (pipe_fds[0] >= 0) {
        close(pipe_fds[0]);
        if (pid < 0) {
            close(pipe_fds[1]);
        } else {
            fcntl(pipe_fds[1], F_SETFL, O_NONBLOCK);
            child.stdin_fd = pipe_fds[1];
        }
    }
    if (pid > 0 && own_group) setpgid(pid, pid);  // at once, so the group can be signalled
    child.pid = pid;
    return child;
}

// Waits for the child, feeding it the rest of `input` meanwhile (a child
// that stops reading does not hold the wait up), and kills it (its group
// with kill_group) after timeout_seconds when that is above 0.
Waited finish(Child* child, const std::string& input, double timeout_seconds, bool kill_group) {
    Waited result;
    // A child that exits without reading its input must not kill us.
    struct sigaction ignore, previous;
    std::memset(&ignore, 0, sizeof ignore);
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    size_t fed = 0;
    auto start = std::chrono::steady_clock::now();
    for (;;) {
        while (child->stdin_fd >= 0) {
            ssize_t n = fed < input.size() ? write(child->stdin_fd, input.data() + fed, input.size() - fed) : 0;
            if (n > 0) fed += static_cast<size_t>(n);
            if (n < 0 && errno == EAGAIN) break;
            if (n <= 0 || fed == input.size()) {
                close(child->stdin_fd);
                child->stdin_fd = -1;
            }
        }
        int status = 0;
        struct rusage usage;
        pid_t done = wait4(child->pid, &status, WNOHANG, &usage);
        double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (done == child->pid || (done < 0 && errno != EINTR)) {
            if (done == child->pid) {
                if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
                if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
                result.max_rss_kib = usage.ru_maxrss;
            }
            result.seconds = elapsed;
            break;
        }
        if (timeout_seconds > 0 && elapsed > timeout_seconds && !result.timed_out) {
            result.timed_out = true;
            kill(kill_group ? -child->pid : child->pid, SIGKILL);
        }
        usleep(1000);
    }
    if (child->stdin_fd >= 0) close(child->stdin_fd);
    child->stdin_fd = -1;
    sigaction(SIGPIPE, &previous, nullptr);
    return result;
}

}  // namespace

ProcessResult run_process(const ProcessSpec& request) {
    ScratchDir io;
    std::string out_path = io / "out", err_path = io / "err";
    ProcessResult result;
    Child child = start(request, out_path.c_str(), err_path.c_str(), false);
    if (child.pid < 0) return result;
    Waited waited = finish(&child, request.stdin_bytes ? *request.stdin_bytes : std::string(), request.timeout_seconds, false);
    result.exit_code = waited.exit_code;
    result.signal = waited.signal;
    result.timed_out = waited.timed_out;
    result.max_rss_kib = waited.max_rss_kib;
    result.out = read_file(out_path);
    result.err = read_file(err_path);
    return result;
}

int spawn_process(const std::vector<std::string>& argv, const std::string& cwd) {
    ProcessSpec request;
    request.argv = argv;
    request.cwd = cwd;
    return start(request, "/dev/null", nullptr, true).pid;
}

Waited wait_process(int pid, double timeout_seconds) {
    Child child;
    child.pid = pid;
    return finish(&child, std::string(), timeout_seconds, true);
}
