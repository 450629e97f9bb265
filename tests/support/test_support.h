// Helpers shared by the tests: scratch directories, running programs,
// files, and independent GIF and TIFF codecs (giflib's and libtiff's own).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes. Its path is absolute (native_path).
struct ScratchDir {
    std::string path;
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

// path as an absolute name of the platform, for names a child process with
// another current directory must find. Under Wine a build tree's "/unix/path"
// then names the test's current drive ("Z:\\unix\\path"), not the child's.
std::string native_path(const std::string& path);

// Text a program wrote to a redirected standard output or error, with CR LF
// (a Windows text stream's line end) turned back into LF.
std::string lf_lines(const std::string& text);

// A program to run and how. Everything but argv may stay as it is.
struct ProcessSpec {
    std::vector<std::string> argv;           // argv[0]: a path (or a name looked up on PATH)
    std::string cwd;                         // where it starts; empty: where the test runs
    std::vector<std::string> env;            // "NAME=VALUE", added to or replacing the environment
    std::optional<std::string> stdin_bytes;  // through a pipe (POSIX) or a file (Windows);
                                             // none: standard input empty
    uint64_t file_size_limit = 0;            // bytes any file it writes may reach; 0: no limit.
                                             // Ignored where the system has no such limit (Windows).
    double timeout_seconds = 0;              // killed (timed_out) after this long; 0: no limit
};

struct ProcessResult {
    int exit_code = -1;  // when it exited
    int signal = 0;      // when it was killed
    std::string out;
    std::string err;
    bool timed_out = false;
    long max_rss_kib = 0;  // its peak resident memory (peak working set on Windows)
};

// Runs the program and returns when it has ended. The system's side is in
// process_posix.cpp (fork and exec) and process_win32.cpp (CreateProcessW,
// the command line quoted as the C runtime splits it; a timed-out program is
// ended with TerminateProcess and has signal 0).
ProcessResult run_process(const ProcessSpec& request);

// Runs argv[0] (a path) with the arguments in `cwd`, standard input empty,
// and "NAME=VALUE" entries of `env` added to (or replacing in) the
// environment. Returns when it has ended.
ProcessResult run_process(const std::vector<std::string>& argv, const std::string& cwd,
                          const std::vector<std::string>& env = {});

// The same, started in a process group of its own (standard output thrown
// away, standard error the test's) and not waited for. POSIX only, as is
// wait_process: the tests that signal process groups need POSIX anyway.
int spawn_process(const std::vector<std::string>& argv, const std::string& cwd);

struct Waited {
    int exit_code = -1;
    int signal = 0;
    long max_rss_kib = 0;
    double seconds = 0;  // from the call to the end
    bool timed_out = false;
};

// Waits up to `timeout_seconds` for a spawned process (killing its process
// group after that).
Waited wait_process(int pid, double timeout_seconds);

std::vector<uint8_t> read_bytes(const std::string& path);
std::string read_file(const std::string& path);  // the same as text; empty when unreadable
void write_file(const std::string& path, const std::string& text);
void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes);
bool file_exists(const std::string& path);
// Names in a directory, sorted, without "." and "..".
std::vector<std::string> list_dir(const std::string& path);
void write_script(const std::string& path, const std::string& text);  // executable

// A GIF of one image with a 256-entry global colour table, written with
// giflib's encoder. `indices` holds width x height palette indices.
void write_gif(const std::string& path, int width, int height, const std::vector<uint8_t>& indices,
               const std::vector<uint8_t>& palette_rgb);

// The RGB24 picture of a single-image GIF as giflib's own decoder gives it.
std::vector<uint8_t> decode_gif_with_giflib(const std::string& path, int* width, int* height);

struct TiffPicture {
    int width = 0, height = 0;
    int compression = 0, samples = 0, bits = 0, photometric = 0, planar = 0;
    std::vector<uint8_t> rgb;
};

// Reads an RGB TIFF with libtiff; false when it cannot.
bool read_tiff(const std::string& path, TiffPicture* picture);

// Deterministic pseudo-random bytes.
std::vector<uint8_t> random_bytes(size_t count, uint32_t seed);
