// Running the two programs over small GIF sequences in scratch directories.
#pragma once

#include <string>
#include <vector>

#include "test_support.h"

struct Sequence {
    ScratchDir dir;
    // Writes imNNNNN.gif for frames first..last, width x height, each with
    // its own random picture.
    void add_frames(int first, int last, int width, int height);
    // The RGB of frame n's GIF, decoded by giflib.
    std::vector<uint8_t> frame_rgb(int n) const;
    ProcessResult run(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& env = {}) const;
    std::vector<std::string> files() const { return list_dir(dir.path); }
    // The GIFs in the directory with `extra` added, sorted: what a run
    // should leave.
    std::vector<std::string> gifs_and(std::vector<std::string> extra) const;
    // The first name that is neither a GIF nor a TIFF libtiff reads whole
    // (of width x height, unless 0), with why; "" when there is none.
    // *tiffs counts the whole TIFFs.
    std::string first_stray(int width, int height, size_t* tiffs) const;
};

std::string frame_name(long long n, const char* extension);

extern const char* const kFieldweaver;
extern const char* const kFramehalver;

// A copy of a program in a tree of its own, laid out like the build and
// installed trees: ROOT/bin/PROGRAM and ROOT/libexec/frametools/ with the
// real helpers, except those that `stubs` replaces by shell scripts (name,
// script text). ROOT is `root`, created under the scratch directory.
struct ProgramTree {
    ScratchDir dir;
    std::string root;
    std::string program;  // the copied program
};
void make_program_tree(ProgramTree* tree, const std::string& program, const std::string& root,
                       const std::vector<std::pair<std::string, std::string>>& stubs);

// The platform's side (program_runs_posix.cpp, program_runs_win32.cpp).

// Standard output as the programs' console gives it to a file: LF on POSIX,
// CR LF on Windows, where standard output is a text stream. Sequence::run
// turns standard error back into LF lines, so that messages compare alike.
std::string as_console_text(const std::string& text);
std::string from_console_text(const std::string& text);

// Holds the work directory's lock as a run would, until release_directory_lock.
int hold_directory_lock(const std::string& dir);
void release_directory_lock(int lock);

// A command NAME in `dir` that, if anything ever runs it, creates `marker`.
void write_decoy(const std::string& dir, const std::string& name, const std::string& marker);

// PATH with `dir` first, then the system's own directories.
std::string path_with_first(const std::string& dir);
