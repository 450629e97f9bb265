// The PPM path of raw2tiff on memory: parse, encode, write the TIFF to a
// temporary file, and read it back with libtiff.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "ppm_reader.h"
#include "tests/tiff_check.h"
#include "tiff_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    PpmRaster image;
    char reason[256];
    if (ppm_parse(data, size, &image, reason, sizeof reason) != 0) return 0;

    static FILE* file = std::tmpfile();
    if (file == nullptr) std::abort();
    int fd = fileno(file);
    if (ftruncate(fd, 0) != 0 || lseek(fd, 0, SEEK_SET) != 0) std::abort();
    // The last byte picks the compression; packbits, ours, most often.
    TiffCompression c = TiffCompression::packbits;
    switch (data[size - 1] & 7) {
        case 0: c = TiffCompression::none; break;
        case 1: c = TiffCompression::lzw; break;
        case 2: c = TiffCompression::zip; break;
        default: break;
    }
    if (tiff_write_rgb(fd, image, c, reason, sizeof reason) != 0) {
        std::fprintf(stderr, "write failed: %s\n", reason);
        std::abort();
    }
    TiffContents t;
    size_t n = static_cast<size_t>(image.width) * image.height * 3;
    if (tiff_read_back(fd, &t) != 0 || !t.complaints.empty() || t.by_scanline.size() != n ||
        !std::equal(t.by_scanline.begin(), t.by_scanline.end(), image.pixels) ||
        t.by_strip != t.by_scanline) {
        std::fprintf(stderr, "read back differs: %s\n", t.complaints.c_str());
        std::abort();
    }
    return 0;
}
