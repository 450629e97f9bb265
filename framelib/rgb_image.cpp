#include "rgb_image.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

int64_t image_byte_count(const RgbImage* image) {
    if (image->width < 1 || image->height < 1) return -1;
    int64_t bytes = static_cast<int64_t>(image->width) * image->height * 3;  // < 2^63
    return bytes > INT32_MAX ? -1 : bytes;
}

int image_alloc(RgbImage* image) {
    int64_t bytes = image_byte_count(image);
    // calloc: no heap garbage can reach an output before the first read.
    image->pixels = bytes < 0 ? nullptr : static_cast<uint8_t*>(std::calloc(static_cast<size_t>(bytes), 1));
    return image->pixels ? 0 : -1;
}

void image_free(RgbImage* image) { std::free(image->pixels); }

int image_read_raw(const char* filename, RgbImage* image) {
    int64_t bytes = image_byte_count(image);
    if (bytes < 0 || !image->pixels) return -1;
    FILE* file = std::fopen(filename, "rb");
    if (!file) return -1;
    std::setvbuf(file, nullptr, _IONBF, 0);  // one read straight into the raster
    std::fread(image->pixels, 1, static_cast<size_t>(bytes), file);
    std::fclose(file);
    return 0;
}

namespace {

// Writes an optional header and the raster; on any failure removes the file
// so that nothing truncated stays behind under its name.
int write_raster_file(const char* filename, const RgbImage* image, bool ppm_header) {
    int64_t bytes = image_byte_count(image);
    if (bytes < 0 || !image->pixels) {
        errno = EINVAL;
        return -1;
    }
    FILE* file = std::fopen(filename, "wb");
    if (!file) return -1;
    bool ok = true;
    if (ppm_header) {
        ok = std::fputs("P6\n", file) >= 0 &&
             std::fprintf(file, "%d %d 255\n", image->width, image->height) > 0;
    }
    ok = ok && std::fwrite(image->pixels, 1, static_cast<size_t>(bytes), file) == static_cast<size_t>(bytes);
    int saved = errno;
    struct stat st;
    bool regular = fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode);
    if (std::fclose(file) != 0) {
        if (ok) saved = errno;
        ok = false;
    }
    if (!ok) {
        if (regular) std::remove(filename);  // never a device or the like
        errno = saved;
        return -1;
    }
    return 0;
}

}  // namespace

int image_write_raw(const char* filename, const RgbImage* image) {
    return write_raster_file(filename, image, false);
}

int image_write_ppm(const char* filename, const RgbImage* image) {
    return write_raster_file(filename, image, true);
}
