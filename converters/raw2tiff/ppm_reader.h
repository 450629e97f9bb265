// Binary PPM ("P6", maxval 255) headers parsed from memory.
#pragma once

#include <cstddef>

#include "ppm_raster.h"

// Finds the raster of the P6 image at the start of data; the image points
// into data. Bytes after the raster are ignored (netpbm allows several images
// in one file; we take the first). On failure returns -1 with a short reason.
int ppm_parse(const unsigned char* data, size_t size, PpmRaster* image,
              char* reason, size_t reason_size);
