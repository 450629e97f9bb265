// libtiff as the reference reader, for the tests and the fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TiffContents {
    uint32_t width = 0, height = 0, rows_per_strip = 0;
    uint16_t bits_per_sample = 0, samples_per_pixel = 0, planar_config = 0;
    uint16_t photometric = 0, orientation = 0, compression = 0;
    std::vector<unsigned char> by_scanline;  // decoded with TIFFReadScanline
    std::vector<unsigned char> by_strip;     // decoded with TIFFReadEncodedStrip
    std::string complaints;                  // libtiff's errors and warnings, if any
};

// Reads the 8-bit image in the file open at fd (fd stays open); -1 if libtiff
// cannot open or decode it. Any libtiff warning lands in complaints.
int tiff_read_back(int fd, TiffContents* out);

// The same for the file at path (opened by libtiff, in binary mode).
int tiff_read_back_path(const std::string& path, TiffContents* out);

// Wraps rows of PackBits data (rows * row_bytes bytes once decoded) in a
// one-strip greyscale TIFF and decodes it with libtiff, row by row.
int libtiff_unpack(const unsigned char* packed, size_t size, size_t row_bytes, size_t rows,
                   std::vector<unsigned char>* out, std::string* complaints);

// Walks PackBits codes strictly: no -128 code, no run crossing a row end,
// every row exactly row_bytes long, nothing left over. 0 when all holds.
int packbits_well_formed(const unsigned char* packed, size_t size, size_t row_bytes, size_t rows);
