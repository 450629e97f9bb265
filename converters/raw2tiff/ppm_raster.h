// An 8-bit RGB raster that lives in someone else's buffer.
#pragma once

struct RgbRaster {
    int width;
    int height;
    const unsigned char* pixels;  // width * height * 3 bytes, rows top to bottom
};
