// Baseline RGB TIFF output: 8 bits per sample, contiguous, top-left origin.
#pragma once

#include <cstddef>

#include "rgb_image.h"
#include "tool_error.h"

enum class TiffCompression { none, packbits, lzw, zip };

// About this many uncompressed bytes go in one strip (at least one row).
const size_t kTiffStripBytes = 65536;

// Writes image as a whole TIFF file to fd, which must be an empty file open
// for reading and writing at offset 0; fd stays open. On failure returns -1
// with a reason (the system's for a failed write, else libtiff's). The
// pixels are only read.
int tiff_write_rgb(int fd, const RgbImage& image, TiffCompression compression, ToolError* error);
