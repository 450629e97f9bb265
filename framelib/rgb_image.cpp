#include "rgb_image.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

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

// Opens the file for writing like fopen "wb", but an existing file is not
// emptied first: it is written over and cut to its new length when complete
// (see write_raster_file). The result is the same file; the kernel keeps its
// page cache pages instead of freeing them and allocating as many anew, which
// matters for a temporary file rewritten for every frame.
FILE* open_for_rewrite(const char* filename) {
#ifndef _WIN32
    int fd = open(filename, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    FILE* file = fdopen(fd, "wb");
    if (!file) close(fd);
    return file;
#else
    return std::fopen(filename, "wb");
#endif
}

// Writes an optional header and the raster; on any failure removes the file
// so that nothing truncated (or mixed with older content) stays behind under
// its name.
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
        ok = std::fputs("P6\n", file) >= 0 &&
             std::fprintf(file, "%d %d 255\n", image->width, image->height) > 0;
    }
    ok = ok && std::fwrite(image->pixels, 1, static_cast<size_t>(bytes), file) == static_cast<size_t>(bytes);
    ok = ok && std::fflush(file) == 0;
    struct stat st;
    bool regular = fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode);
#ifndef _WIN32
    // Cut what is left of a longer earlier content.
    ok = ok && (!regular || ftruncate(fileno(file), ftello(file)) == 0);
#endif
    int saved = errno;
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
