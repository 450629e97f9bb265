// One run per directory: the fixed names (_tmp.ppm, the raw files) would
// make two runs overwrite each other's files and label one frame's picture
// with another's number. The platform's code is in
// work_directory_lock_posix.cpp and work_directory_lock_win32.cpp.
#pragma once

enum class LockResult {
    Held,         // ours until every process of the run has ended
    Busy,         // another run holds it
    Unavailable,  // it cannot be taken here (errno says why): the run must not go on
};

// Takes the current directory's lock. It is inherited by the commands the
// run starts, so a helper that outlives a killed program still holds the
// directory; it leaves no file behind and dies with the last process that
// holds it, so a crashed run never blocks a later one.
LockResult lock_work_directory();
