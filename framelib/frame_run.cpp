#include "frame_run.h"

#include <cerrno>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "command_interpreter.h"
#include "converter_commands.h"
#include "frame_names.h"
#include "helper_directory.h"
#include "interrupt_watch.h"
#include "run_command.h"
#include "work_directory_lock.h"

namespace {

void say_v(const FrameRun* run, const char* format, va_list args) {
    std::fflush(stdout);
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    std::fprintf(stderr, "%s: %s\n", run->program, text);
}

void say(const FrameRun* run, const char* format, ...) __attribute__((format(printf, 2, 3)));
void say(const FrameRun* run, const char* format, ...) {
    va_list args;
    va_start(args, format);
    say_v(run, format, args);
    va_end(args);
}

// Standard output holds the run's whole record: a write that failed there
// (a full disk, a file size limit) is a failure of the run. A reader that
// went away is a stop request instead (SIGPIPE), not reported here.
void check_output(FrameRun* run) {
    errno = 0;
    if ((std::fflush(stdout) == 0 && !std::ferror(stdout)) || run->output_lost) return;
    int error = errno;
    run->output_lost = true;
    if (error != EPIPE && !interrupt_requested())
        frame_run_fail(run, "standard output: %s", error ? std::strerror(error) : "write error");
}

// Ends the run when a stop was requested: the files of the frame in flight
// and _tmp.ppm go, with whatever a killed helper left of its output.
void stop_if_interrupted(FrameRun* run) {
    int sig = interrupt_requested();
    if (!sig) return;
    for (int i = 0; i < run->frame_file_count; ++i) {
        remove_name(run->frame_files[i]);
        remove_helper_leftovers(run->frame_files[i]);
    }
    if (run->converting[0]) remove_helper_leftovers(run->converting);
    remove_name(TEMP_PPM_NAME);
    say(run, "interrupted (%s); stopping", signal_text(sig));  // a stop, not a failure
    interrupt_exit();
}

// Runs a command; a failure is reported with its outcome and `consequence`
// (may be null) appended, and whatever the helper left of `output` (may be
// null) is removed.
int run_step(FrameRun* run, const char* output, const char* consequence, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
int run_step(FrameRun* run, const char* output, const char* consequence, const char* format, ...) {
    check_output(run);
    va_list args;
    va_start(args, format);
    int status = run_command_v(format, args);
    va_end(args);
    if (status != 0) {
        if (output) remove_helper_leftovers(output);
        if (!interrupt_requested()) {
            const CommandOutcome* outcome = last_command_outcome();
            char why[TEXT_BUFFER_SIZE];
            describe_command_outcome(outcome, why);
            frame_run_fail(run, "%s: %s%s%s", outcome->line[0] ? outcome->line : format, why, consequence ? "; " : "",
                           consequence ? consequence : "");
        }
    }
    stop_if_interrupted(run);
    return status;
}

// A name the run chooses must hold nothing but the run's own regular file:
// a link, a FIFO, a device or a second name of another file that someone
// put there is removed (the link itself, never what it points to) and
// reported. A directory stays; writing there then fails and says so.
void clear_planted(FrameRun* run, const char* name, const FileProbe& probe) {
    const char* what = nullptr;
    if (probe.kind == FileKind::Regular && probe.links > 1)
        what = "a file with other names";
    else if (probe.kind == FileKind::Symlink || probe.kind == FileKind::Fifo || probe.kind == FileKind::Device ||
             probe.kind == FileKind::Other)
        what = file_kind_text(probe.kind);
    if (!what) return;
    if (remove_name(name) == 0)
        frame_run_fail(run, "%s: %s was in the way; removed this name (nothing it refers to was touched)", name, what);
    else
        frame_run_fail(run, "%s: %s is in the way and cannot be removed: %s", name, what, std::strerror(errno));
}

bool same_file(const FileProbe& a, const FileProbe& b) {
    return a.kind == FileKind::Regular && b.kind == FileKind::Regular && a.device == b.device && a.inode == b.inode;
}

// The first bytes of a GIF: "GIF87a" or "GIF89a", then the logical screen's
// width and height, little-endian.
int read_gif_screen(const char* gif_name, int* width, int* height) {
    uint8_t header[10];
    if (read_file_start(gif_name, header, sizeof header) != 0 || std::memcmp(header, "GIF", 3) != 0) return -1;
    *width = header[6] | header[7] << 8;
    *height = header[8] | header[9] << 8;
    return 0;
}

}  // namespace

int frame_run_begin(FrameRun* run, const char* program, const FrameArgs* args, int* exit_status) {
    *run = FrameRun{};
    run->program = program;
    run->width = args->width;
    run->height = args->height;
    std::string problem;
    if (put_helpers_first_on_path(&problem) != 0) {
        std::fprintf(stderr, "%s: %s\n", program, problem.c_str());
        *exit_status = 2;
        return -1;
    }
    switch (lock_work_directory()) {
        case LockResult::Held: break;
        case LockResult::Busy:
            std::fprintf(stderr, "%s: another run is using this directory\n", program);
            *exit_status = 1;
            return -1;
        case LockResult::Unavailable:
            std::fprintf(stderr, "%s: cannot lock this directory against a second run: %s\n", program,
                         std::strerror(errno));
            *exit_status = 1;
            return -1;
    }
    interrupt_watch_begin();
    return 0;
}

void frame_run_fail(FrameRun* run, const char* format, ...) {
    va_list args;
    va_start(args, format);
    say_v(run, format, args);
    va_end(args);
    ++run->failures;
}

int frame_run_alloc(FrameRun* run, RgbImage* image) {
    if (image_alloc(image) == 0) return 0;
    frame_run_fail(run, "cannot allocate a %" PRId32 " x %" PRId32 " frame buffer (%" PRId64 " bytes)", image->width,
                   image->height, static_cast<int64_t>(image->width) * image->height * 3);
    return -1;
}

void frame_run_start_frame(FrameRun* run, const char* const* files, int count) {
    run->frame_file_count = count;
    for (int i = 0; i < count; ++i) run->frame_files[i] = files[i];
}

void frame_run_end_frame(FrameRun* run) { run->frame_file_count = 0; }

int frame_run_decode(FrameRun* run, const char* raw_name, const char* base_name, const char* buffer_name) {
    FileProbe probe;
    if (probe_file(raw_name, &probe) == 0) clear_planted(run, raw_name, probe);
    char consequence[TEXT_BUFFER_SIZE];
    std::snprintf(consequence, sizeof consequence, "%s keeps its earlier content", buffer_name);
    return run_step(run, raw_name, consequence, DECODE_COMMAND_FORMAT, raw_name, base_name);
}

void frame_run_read(FrameRun* run, int decode_status, const char* raw_name, const char* base_name, RgbImage* buffer,
                    const char* buffer_name) {
    if (decode_status != 0) return;  // reported with the command
    FileProbe raw;
    if (probe_file(raw_name, &raw) != 0 || raw.kind == FileKind::Missing) {
        frame_run_fail(run, "%s: %s after the decoder ended; %s keeps its earlier content", raw_name,
                       std::strerror(raw.kind == FileKind::Missing ? ENOENT : errno), buffer_name);
        return;
    }
    if (raw.kind != FileKind::Regular) {
        frame_run_fail(run, "%s: %s, not the decoder's file; %s keeps its earlier content", raw_name,
                       file_kind_text(raw.kind), buffer_name);
        return;
    }
    // The raw file does not carry its size, but the GIF does: a frame of the
    // right byte count and the wrong shape would otherwise go unnoticed.
    char gif_name[TEXT_BUFFER_SIZE];
    std::snprintf(gif_name, sizeof gif_name, "%s.gif", base_name);
    int gif_width = 0, gif_height = 0;
    bool gif_known = read_gif_screen(gif_name, &gif_width, &gif_height) == 0;
    const int64_t expected = static_cast<int64_t>(buffer->width) * buffer->height * 3;
    if (gif_known && (gif_width != buffer->width || gif_height != buffer->height)) {
        frame_run_fail(run,
                       "%s: a %d x %d picture, but width %" PRId32 " and height %" PRId32
                       " on the command line need %" PRId32 " x %" PRId32,
                       gif_name, gif_width, gif_height, run->width, run->height, buffer->width, buffer->height);
    } else if (raw.size != expected) {
        frame_run_fail(run,
                       "%s: %" PRId64 " bytes, expected %" PRId64 " for a %" PRId32 " x %" PRId32
                       " frame (are width and height on the command line right?)",
                       raw_name, raw.size, expected, buffer->width, buffer->height);
    }
    if (image_read_raw(raw_name, buffer) != 0)
        frame_run_fail(run, "%s: cannot read: %s; %s keeps its earlier content", raw_name, std::strerror(errno),
                       buffer_name);
    stop_if_interrupted(run);
}

int frame_run_write_temp(FrameRun* run, const RgbImage* image, const char* output_base) {
    // Written over in place only when it is the file this run wrote last;
    // anything else under the name is replaced by a fresh file.
    FileProbe probe;
    if (probe_file(TEMP_PPM_NAME, &probe) == 0 && !(same_file(probe, run->temp_file) && probe.links == 1)) {
        clear_planted(run, TEMP_PPM_NAME, probe);
        if (probe.kind == FileKind::Regular && probe.links == 1) remove_name(TEMP_PPM_NAME);
    }
    int status = image_write_ppm(TEMP_PPM_NAME, image);
    if (status != 0) {
        frame_run_fail(run, "%s: cannot write: %s; %s.tif not converted", TEMP_PPM_NAME, std::strerror(errno),
                       output_base);
        run->temp_file = FileProbe{};
    } else if (probe_file(TEMP_PPM_NAME, &run->temp_file) != 0) {
        run->temp_file = FileProbe{};
    }
    stop_if_interrupted(run);
    return status;
}

void frame_run_convert(FrameRun* run, const char* output_base) {
    std::snprintf(run->converting, sizeof run->converting, "%s.tif", output_base);
    run_step(run, run->converting, nullptr, CONVERT_COMMAND_FORMAT, TEMP_PPM_NAME, output_base);
    run->converting[0] = '\0';
}

void frame_run_delete(FrameRun* run, const char* name) { run_step(run, nullptr, nullptr, DELETE_COMMAND_FORMAT, name); }

int frame_run_finish(FrameRun* run) {
    check_output(run);
    if (std::fclose(stdout) != 0 && !run->output_lost) {
        run->output_lost = true;
        if (errno != EPIPE) frame_run_fail(run, "standard output: %s", std::strerror(errno));
    }
    return run->failures ? 1 : 0;
}
