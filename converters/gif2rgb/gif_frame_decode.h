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
// Refused, with a one-line reason: unreadable or truncated files, anything
// that is not a GIF, a screen of zero size or of more than 2147483647 RGB
// bytes (checked before anything is allocated), a file without images, an
// image of zero size or with more pixels than the screen (one partly or
// wholly off the screen is clipped instead), an image with no colour table,
// corrupt LZW data, a colour index beyond its table.
#pragma once

#include <cstddef>
#include <cstdint>

enum GifLzwPath {
    kGifLzwFast,    // our decoder (lzw_decode.h)
    kGifLzwGiflib,  // giflib's DGifGetLine, kept as the reference
};

struct RgbRaster {
    uint8_t* pixels;  // width * height * 3 bytes, malloc'd; free with rgb_raster_free
    int width;
    int height;
};

constexpr size_t kGifReasonSize = 256;

// Both return 0 and fill *out, or -1 with a reason (no file name in it).
int gif_decode_file(const char* path, GifLzwPath lzw, RgbRaster* out,
                    char reason[kGifReasonSize]);
int gif_decode_memory(const uint8_t* data, size_t size, GifLzwPath lzw, RgbRaster* out,
                      char reason[kGifReasonSize]);

void rgb_raster_free(RgbRaster* raster);
