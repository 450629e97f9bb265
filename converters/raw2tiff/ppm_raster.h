// The 8-bit RGB raster of a PPM file, in the buffer that holds the file.
#pragma once

struct PpmRaster {
    int width;
    int height;
    const unsigned char* pixels;  // width * height * 3 bytes, rows top to bottom
};
