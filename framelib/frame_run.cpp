#include "frame_run.h"

#include <cerrno>
#include <cinttypes>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "frame_names.h"
#include "interrupt_watch.h"
#include "run_command.h"
#include "work_directory_lock.h"

namespace {

void report_v(FrameRun* run, const char* format, va_list args) {
    std::fflush(stdout);
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    std::fprintf(stderr, "%s: %s\n", run->program, text);
    ++run->failures;
}

}  // namespace

int frame_run_begin(FrameRun* run, const char* program) {
    run->program = program;
    run->failures = 0;
    if (lock_work_directory() != 0) {
        std::fprintf(stderr, "%s: another run is using this directory\n", program);
        return -1;
    }
    interrupt_watch_begin();
#ifdef SIGXFSZ
    // A file size limit then fails the write (and is reported) instead of
    // killing the run; the converters inherit this.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    return 0;
}

void frame_run_report(FrameRun* run, const char* format, ...) {
    va_list args;
    va_start(args, format);
    report_v(run, format, args);
    va_end(args);
}

int frame_run_alloc(FrameRun* run, RgbImage* image) {
    if (image_alloc(image) == 0) return 0;
    frame_run_report(run, "cannot allocate a %" PRId32 " x %" PRId32 " frame buffer (%" PRId64 " bytes)",
                     image->width, image->height, static_cast<int64_t>(image->width) * image->height * 3);
    return -1;
}

int frame_run_command(FrameRun* run, const char* consequence, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int status = run_command_v(format, args);
    va_end(args);
    if (status != 0 && !interrupt_requested()) {
        const CommandOutcome* outcome = last_command_outcome();
        char why[TEXT_BUFFER_SIZE];
        describe_command_outcome(outcome, why);
        frame_run_report(run, "%s: %s%s%s", outcome->line[0] ? outcome->line : format, why,
                         consequence ? "; " : "", consequence ? consequence : "");
    }
    return status;
}

int frame_run_decode(FrameRun* run, const char* raw_name, const char* base_name, const char* buffer_name) {
    char consequence[TEXT_BUFFER_SIZE];
    std::snprintf(consequence, sizeof consequence, "%s keeps its earlier content", buffer_name);
    return frame_run_command(run, consequence, DECODE_COMMAND_FORMAT, raw_name, base_name);
}

void frame_run_read(FrameRun* run, int decode_status, const char* raw_name,
                    RgbImage* buffer, const char* buffer_name) {
    if (decode_status != 0) return;  // reported with the command
    struct stat st;
    if (stat(raw_name, &st) != 0) {
        frame_run_report(run, "%s: %s after the decoder ended; %s keeps its earlier content",
                         raw_name, std::strerror(errno), buffer_name);
        return;
    }
    int64_t expected = static_cast<int64_t>(buffer->width) * buffer->height * 3;
    if (static_cast<int64_t>(st.st_size) != expected) {
        frame_run_report(run,
                         "%s: %" PRId64 " bytes, expected %" PRId64 " for a %" PRId32 " x %" PRId32
                         " frame (are width and height on the command line right?)",
                         raw_name, static_cast<int64_t>(st.st_size), expected, buffer->width, buffer->height);
    }
    if (image_read_raw(raw_name, buffer) != 0)
        frame_run_report(run, "%s: cannot read: %s; %s keeps its earlier content", raw_name,
                         std::strerror(errno), buffer_name);
}

int frame_run_write_temp(FrameRun* run, const RgbImage* image, const char* output_base) {
    if (image_write_ppm(TEMP_PPM_NAME, image) == 0) return 0;
    frame_run_report(run, "%s: cannot write: %s; %s.tif not converted", TEMP_PPM_NAME, std::strerror(errno),
                     output_base);
    return -1;
}

void frame_run_convert(FrameRun* run, int write_status, const char* output_base) {
    if (write_status != 0) return;  // reported with the write
    frame_run_command(run, nullptr, CONVERT_COMMAND_FORMAT, TEMP_PPM_NAME, output_base);
}

void frame_run_delete(FrameRun* run, const char* name) {
    frame_run_command(run, nullptr, DELETE_COMMAND_FORMAT, name);
}

void frame_run_stop_if_interrupted(FrameRun* run, const char* const* frame_files, int file_count) {
    int sig = interrupt_requested();
    if (!sig) return;
    for (int i = 0; i < file_count; ++i) std::remove(frame_files[i]);
    std::remove(TEMP_PPM_NAME);
    frame_run_report(run, "interrupted (%s); stopping", strsignal(sig));
    interrupt_exit();
}

int frame_run_exit_status(const FrameRun* run) { return run->failures ? 1 : 0; }
