// Decodes a GIF to the picture a viewer shows once the whole file has been
// played: its logical screen as RGB24, top row first.
//
// The screen starts as the background colour of the global colour table;
// black when there is no global table or the background index is outside it.
// Images are painted in order, clipped to the screen, with their local table
// or else the global one; transparent pixels leave what is beneath; each
// image's disposal (2: background, 3: previous) is applied before the next
// image is painted, so the last image stays as painted. Disposal values 0, 1
// and the undefined 4..7 all keep the image.
//
// Refused, with a one-line reason: unreadable or truncated files, a file
// that is not a regular file (a FIFO, a device, a directory), anything that
// is not a GIF, a screen of zero size or of more than 2147483647 RGB
// bytes (checked before anything is allocated), a file without images, an
// image of zero size or with more pixels than the screen (one partly or
// wholly off the screen is clipped instead), an image with no colour table,
// corrupt LZW data, a colour index beyond its table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "lzw_decode.h"
#include "rgb_image.h"
#include "tool_error.h"

struct GifFileType;

// How one image's LZW data becomes colour indices. Both functions are given
// giflib's handle right after the image descriptor, and must consume the
// image's data up to its block terminator. They return 0, or -1 with *error
// set; kLzwReadFailed stands for a failure giflib reported (gif->Error).
struct GifLzw {
    // count indices, rows in file order, into out (count + kLzwOutputSlack bytes).
    int (*indices)(GifFileType* gif, int min_code_size, uint8_t* out, size_t count, LzwError* error);
    // The same straight to RGB through lut (as lzw_decode_rgb); null where a
    // decoder has no such form.
    int (*rgb)(GifFileType* gif, int min_code_size, const uint8_t (*lut)[4], uint8_t* out, size_t count,
               LzwError* error);
    // Every index is below 2^min_code_size, so a colour table that large
    // needs no index check.
    bool indices_below_code_size;
};

// Our decoder (lzw_decode.h), the one gif2rgb uses.
extern const GifLzw kGifLzw;

// Both give 0 and fill *out (pixels malloc'd: release them with std::free,
// which is what framelib's image_free does), or -1 with a reason (no file
// name in it) and out->pixels null. The file must be a regular file
// (input_file.h).
int gif_decode_file(const char* path, RgbImage* out, ToolError* error);
int gif_decode_memory(const uint8_t* data, size_t size, const GifLzw* lzw, RgbImage* out, ToolError* error);
