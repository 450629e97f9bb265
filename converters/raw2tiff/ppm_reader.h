// Binary PPM ("P6", maxval 255) files: the header parsed from the first
// bytes, then exactly the raster it announces.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rgb_image.h"
#include "tool_error.h"

struct PpmHeader {
    int32_t width;
    int32_t height;
    size_t raster_offset;  // the header's length: where the raster starts
};

// Parses the header at the start of data. 0 with *header filled, or -1 with
// a reason; when the bytes end inside the header, the reason is a
// "truncated header" one and *need_more is set: more of the file may
// complete it.
int ppm_parse_header(const uint8_t* data, size_t size, PpmHeader* header, bool* need_more, ToolError* error);

// The image of a P6 file held in memory. image->pixels points into data and
// is never written through. Bytes after the raster are ignored (netpbm allows
// several images in one file; we take the first).
int ppm_parse(const uint8_t* data, size_t size, RgbImage* image, ToolError* error);

// Largest header read: longer ones (comments) are refused.
constexpr size_t kPpmMaxHeader = 65536;

struct PpmFile {
    RgbImage image;  // pixels point into the read-only mapping (input_map) of the file
    void* map;       // header and raster, nothing after them
    size_t map_size;
};

// Opens a regular file (input_file.h), parses its header and maps just the
// header and the raster it announces, so memory and time follow the
// announced size rather than the file's. 0, or -1 with a reason. Release
// with ppm_file_close.
int ppm_file_open(const char* path, PpmFile* file, ToolError* error);
void ppm_file_close(PpmFile* file);
