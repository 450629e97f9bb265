// The steps both programs take for every frame, with the failures they report.
//
// A run keeps its loop and its files whatever happens; each failure gets one
// line "<program>: ..." on standard error and makes the exit status 1.
#pragma once

#include <cstdint>

#include "rgb_image.h"

struct FrameRun {
    const char* program;  // prefix of every message
    int failures;         // lines reported so far
};

// Starts a run: watches for Ctrl-C and takes the work directory's lock.
// -1 (message printed) when another run holds the directory.
int frame_run_begin(FrameRun* run, const char* program);

// One line on standard error, after anything pending on standard output.
void frame_run_report(FrameRun* run, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Allocates a buffer; on failure reports and returns -1.
int frame_run_alloc(FrameRun* run, RgbImage* image);

// Runs a command; a failure is reported with its outcome and `consequence`
// (may be null) appended. 0 or -1 as run_command.
int frame_run_command(FrameRun* run, const char* consequence, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// The decoder command for one frame. 0 when it succeeded.
int frame_run_decode(FrameRun* run, const char* raw_name, const char* base_name, const char* buffer_name);

// Reads a decoded raw file into its buffer. Nothing is read when the decode
// failed (a stale raw file of an earlier run must not stand in for the
// frame); a missing file, or one of the wrong size, is reported. A file of
// the wrong size is still read, shorter ones only into the leading bytes.
void frame_run_read(FrameRun* run, int decode_status, const char* raw_name,
                    RgbImage* buffer, const char* buffer_name);

// Writes the temporary PPM. 0 when it was written completely.
int frame_run_write_temp(FrameRun* run, const RgbImage* image, const char* output_base);

// The converter command, run only when the temporary file was written: an
// older _tmp.ppm would put another frame's picture under this number.
void frame_run_convert(FrameRun* run, int write_status, const char* output_base);

// Deletes a file with the del command.
void frame_run_delete(FrameRun* run, const char* name);

// Stops on Ctrl-C: removes the files of the frame in flight and _tmp.ppm,
// reports, and ends by the signal. Does nothing when no stop was requested.
void frame_run_stop_if_interrupted(FrameRun* run, const char* const* frame_files, int file_count);

// Exit status of the run: 1 when anything was reported, else 0.
int frame_run_exit_status(const FrameRun* run);
