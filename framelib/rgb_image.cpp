#include "rgb_image.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "work_files.h"

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
    FILE* file = open_for_reading(filename);
    if (!file) return -1;
    std::setvbuf(file, nullptr, _IONBF, 0);  // one read straight into the raster
    std::fread(image->pixels, 1, static_cast<size_t>(bytes), file);
    std::fclose(file);
    return 0;
}

namespace {

// Writes an optional header and the raster over the file in place, then cuts
// it to its new length: the result is the same file as after emptying it
// first, but the kernel keeps its page cache pages instead of freeing them
// and allocating as many anew, which matters for a file rewritten for every
// frame. On any failure the file is removed, so that nothing truncated (or
// mixed with older content) stays behind under its name.
int write_raster_file(const char* filename, const RgbImage* image, bool ppm_header) {
    int64_t bytes = image_byte_count(image);
    if (bytes < 0 || !image->pixels) {
        errno = EINVAL;
        return -1;
    }
    FILE* file = open_for_rewrite(filename);
    if (!file) return -1;
    bool ok = true;
    if (ppm_header) {
        ok = std::fputs("P6\n", file) >= 0 && std::fprintf(file, "%d %d 255\n", image->width, image->height) > 0;
    }
    ok = ok && std::fwrite(image->pixels, 1, static_cast<size_t>(bytes), file) == static_cast<size_t>(bytes);
    ok = ok && cut_at_position(file) == 0;
    int saved = errno;
    if (std::fclose(file) != 0) {
        if (ok) saved = errno;
        ok = false;
    }
    if (!ok) {
        remove_name(filename);  // a regular file of a single name: open_for_rewrite saw to that
        errno = saved;
        return -1;
    }
    return 0;
}

}  // namespace

int image_write_raw(const char* filename, const RgbImage* image) { return write_raster_file(filename, image, false); }

int image_write_ppm(const char* filename, const RgbImage* image) { return write_raster_file(filename, image, true); }
