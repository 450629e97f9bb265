// One run per directory: the fixed names (_tmp.ppm, the raw files) would
// make two runs overwrite each other's files and label one frame's picture
// with another's number.
#pragma once

// Takes an advisory lock on the current directory itself (no lock file is
// left behind, and the lock dies with the process, so a crashed run never
// blocks the next). 0 when held, or when the file system offers no locks;
// -1 when another run holds it.
int lock_work_directory();
