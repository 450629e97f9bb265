// The size of every buffer that holds a frame's base name, a file name or a
// command line.
#pragma once

enum { TEXT_BUFFER_SIZE = 256 };  // characters, terminator included
