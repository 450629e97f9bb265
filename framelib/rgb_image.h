// An RGB24 frame in memory and its two file forms: the headerless raw file
// the decoder writes and the binary PPM ("P6") the TIFF converter reads.
#pragma once

#include <cstdint>

struct RgbImage {
    int32_t width;    // pixels per row
    int32_t height;   // rows
    uint8_t* pixels;  // width x height x 3 bytes, row-major, R G B, top row first
};

// Byte count of the raster, or -1 when a dimension is below 1 or the count
// does not fit a signed 32-bit int.
int64_t image_byte_count(const RgbImage* image);

// Gives the record a zero-filled raster. 0, or -1 with pixels null when the
// size is invalid (see image_byte_count) or the heap cannot supply it.
int image_alloc(RgbImage* image);

// Releases the raster; pixels keeps its (now dangling) value, as do the sizes.
// Does nothing for a null raster.
void image_free(RgbImage* image);

// Reads the raw file into the raster as one request. Bytes the file holds are
// stored from the start; when it is shorter, the rest keeps its old content;
// bytes past the raster size are not read. -1 when it cannot be opened or is
// not a regular file (a symbolic link is not followed, a FIFO never waited
// for; see work_files.h), the raster then untouched, or the raster is null.
int image_read_raw(const char* filename, RgbImage* image);

// Writes the raster as a raw file. -1 when the file cannot be created, when
// the name holds anything but a regular file of a single link (nothing is
// written through a link, into a FIFO or device, or into a file with other
// names), or when it is not written and closed completely; a partly written
// file is removed.
int image_write_raw(const char* filename, const RgbImage* image);

// Writes "P6\n<width> <height> 255\n" and the raster. -1 as image_write_raw.
int image_write_ppm(const char* filename, const RgbImage* image);

// Pixel access without any test: the caller keeps 0 <= row < height and
// 0 <= column < width.
inline void image_get_pixel(const RgbImage* image, int row, int column, uint8_t* red, uint8_t* green, uint8_t* blue) {
    const uint8_t* p = image->pixels + (static_cast<int64_t>(row) * image->width + column) * 3;
    *red = p[0];
    *green = p[1];
    *blue = p[2];
}

inline void image_put_pixel(RgbImage* image, int row, int column, uint8_t red, uint8_t green, uint8_t blue) {
    uint8_t* p = image->pixels + (static_cast<int64_t>(row) * image->width + column) * 3;
    p[0] = red;
    p[1] = green;
    p[2] = blue;
}
