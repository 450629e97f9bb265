// The PPM path of raw2tiff: parse from memory and from a file (which reads
// the header in pieces and must come to the same result), encode, write the
// TIFF to a temporary file, and read it back with libtiff.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "ppm_reader.h"
#include "tests/tiff_check.h"
#include "tiff_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    static FILE* input = std::tmpfile();
    if (input == nullptr) std::abort();
    int in_fd = fileno(input);
    if (ftruncate(in_fd, 0) != 0 || pwrite(in_fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    char in_path[64];
    std::snprintf(in_path, sizeof in_path, "/proc/self/fd/%d", in_fd);
    PpmFile from_file;
    ToolError file_error;
    int file_rc = ppm_file_open(in_path, &from_file, &file_error);

    RgbImage image;
    ToolError error;
    int rc = ppm_parse(data, size, &image, &error);
    if (rc != file_rc || (rc != 0 && std::strcmp(error.reason, file_error.reason) != 0)) {
        std::fprintf(stderr, "memory: %s; file: %s\n", rc == 0 ? "ok" : error.reason,
                     file_rc == 0 ? "ok" : file_error.reason);
        std::abort();
    }
    if (rc == 0 &&
        (from_file.image.width != image.width || from_file.image.height != image.height ||
         std::memcmp(from_file.image.pixels, image.pixels, static_cast<size_t>(image.width) * image.height * 3) != 0))
        std::abort();
    ppm_file_close(&from_file);
    if (rc != 0) return 0;

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
    if (tiff_write_rgb(fd, image, c, &error) != 0) {
        std::fprintf(stderr, "write failed: %s\n", error.reason);
        std::abort();
    }
    TiffContents t;
    size_t n = static_cast<size_t>(image.width) * image.height * 3;
    if (tiff_read_back(fd, &t) != 0 || !t.complaints.empty() || t.by_scanline.size() != n ||
        !std::equal(t.by_scanline.begin(), t.by_scanline.end(), image.pixels) || t.by_strip != t.by_scanline) {
        std::fprintf(stderr, "read back differs: %s\n", t.complaints.c_str());
        std::abort();
    }
    return 0;
}
