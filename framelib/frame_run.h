// The steps both programs take for every frame, with the failures they report.
//
// A run keeps its loop and its files whatever happens; each failure gets one
// line "<program>: ..." on standard error and makes the exit status 1. Every
// step ends the run when a stop was requested meanwhile (Ctrl-C and the
// like): it removes the files of the frame in flight and _tmp.ppm, says so,
// and dies by the signal.
#pragma once

#include <cstdint>

#include "frame_args.h"
#include "rgb_image.h"
#include "text_buffer.h"
#include "work_files.h"

struct FrameRun {
    const char* program;         // prefix of every message
    int32_t width, height;       // W and H of the command line, for messages
    int failures;                // failures reported so far
    bool output_lost;            // a write to standard output failed (reported once)
    const char* frame_files[2];  // the raw files of the frame in flight
    int frame_file_count;
    char converting[TEXT_BUFFER_SIZE];  // the TIFF being made, "" when none
    FileProbe temp_file;                // _tmp.ppm as this run last wrote it
};

// Starts a run: puts the helpers first on PATH, takes the work directory's
// lock and watches for Ctrl-C. -1 with *exit_status set when the run must not
// start (message printed): 2 when the helpers cannot be put on PATH, 1 when
// another run holds the directory or its lock cannot be taken.
int frame_run_begin(FrameRun* run, const char* program, const FrameArgs* args, int* exit_status);

// Reports a failure: one line on standard error, after anything pending on
// standard output; the run's exit status becomes 1.
void frame_run_fail(FrameRun* run, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Allocates a buffer; on failure reports and returns -1.
int frame_run_alloc(FrameRun* run, RgbImage* image);

// The raw files of the frame that starts now: removed if the run stops
// before the frame's end.
void frame_run_start_frame(FrameRun* run, const char* const* files, int count);
void frame_run_end_frame(FrameRun* run);

// Runs the decoder for one frame, after clearing the raw file's name of
// anything another program put there (a link, a FIFO, a device: removed and
// reported). 0 when the decoder succeeded.
int frame_run_decode(FrameRun* run, const char* raw_name, const char* base_name, const char* buffer_name);

// Reads a decoded raw file into its buffer. Nothing is read when the decode
// failed (a stale raw file of an earlier run must not stand in for the
// frame); a missing file, one that is not a regular file, or a frame of
// another size (the GIF's screen against the command line, or else the raw
// file's length) is reported. A file of the wrong size is still read,
// shorter ones only into the leading bytes.
void frame_run_read(FrameRun* run, int decode_status, const char* raw_name, const char* base_name, RgbImage* buffer,
                    const char* buffer_name);

// Writes the temporary PPM. 0 when it was written completely; the caller
// then runs the converter.
int frame_run_write_temp(FrameRun* run, const RgbImage* image, const char* output_base);

// The converter command for the output frame.
void frame_run_convert(FrameRun* run, const char* output_base);

// Deletes a file with the del command.
void frame_run_delete(FrameRun* run, const char* name);

// Ends the run: flushes and closes standard output (a failure there is
// reported too). The exit status: 1 when anything was reported, else 0.
int frame_run_finish(FrameRun* run);
