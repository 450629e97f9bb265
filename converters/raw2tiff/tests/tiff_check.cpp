#include "tiff_check.h"

#include <cstdarg>
#include <cstdio>
#include <functional>
#include <tiffio.h>
#include <unistd.h>

namespace {

int note(TIFF*, void* user_data, const char* module, const char* fmt, va_list ap) {
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, ap);
    std::string* s = static_cast<std::string*>(user_data);
    *s += std::string(module ? module : "") + ": " + text + "\n";
    return 1;
}

// Opens a duplicate of fd (libtiff closes what it is given) with our handlers.
TIFF* open_fd(int fd, const char* mode, std::string* complaints) {
    int copy = dup(fd);
    if (copy < 0) return nullptr;
    lseek(copy, 0, SEEK_SET);
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, note, complaints);
    TIFFOpenOptionsSetWarningHandlerExtR(options, note, complaints);
    TIFF* tif = TIFFFdOpenExt(copy, "check", mode, options);
    TIFFOpenOptionsFree(options);
    if (tif == nullptr) close(copy);
    return tif;
}

TIFF* open_path(const std::string& path, std::string* complaints) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, note, complaints);
    TIFFOpenOptionsSetWarningHandlerExtR(options, note, complaints);
    TIFF* tif = TIFFOpenExt(path.c_str(), "r", options);
    TIFFOpenOptionsFree(options);
    return tif;
}

// Reads the image through two handles from `open`.
int read_back(const std::function<TIFF*()>& open, TiffContents* out) {
    TIFF* tif = open();
    if (tif == nullptr) return -1;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &out->width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &out->height);
    TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &out->rows_per_strip);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &out->bits_per_sample);
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &out->samples_per_pixel);
    TIFFGetField(tif, TIFFTAG_PLANARCONFIG, &out->planar_config);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &out->photometric);
    TIFFGetField(tif, TIFFTAG_ORIENTATION, &out->orientation);
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &out->compression);

    int status = 0;
    const tmsize_t line = TIFFScanlineSize(tif);
    out->by_scanline.assign(static_cast<size_t>(line) * out->height, 0);
    for (uint32_t row = 0; row < out->height && status == 0; ++row) {
        if (TIFFReadScanline(tif, &out->by_scanline[row * static_cast<size_t>(line)], row, 0) < 0) status = -1;
    }
    // A fresh handle, so the strip reads do not follow the scanline state.
    TIFFClose(tif);
    tif = open();
    if (tif == nullptr) return -1;
    out->by_strip.assign(out->by_scanline.size(), 0);
    size_t offset = 0;
    for (uint32_t s = 0; s < TIFFNumberOfStrips(tif) && status == 0; ++s) {
        tmsize_t n = TIFFReadEncodedStrip(tif, s, &out->by_strip[offset], -1);
        if (n < 0)
            status = -1;
        else
            offset += static_cast<size_t>(n);
    }
    if (offset != out->by_strip.size()) status = -1;
    TIFFClose(tif);
    return status;
}

}  // namespace

int tiff_read_back(int fd, TiffContents* out) {
    return read_back([&] { return open_fd(fd, "r", &out->complaints); }, out);
}

int tiff_read_back_path(const std::string& path, TiffContents* out) {
    return read_back([&] { return open_path(path, &out->complaints); }, out);
}

int libtiff_unpack(const unsigned char* packed, size_t size, size_t row_bytes, size_t rows,
                   std::vector<unsigned char>* out, std::string* complaints) {
    FILE* file = std::tmpfile();
    if (file == nullptr) return -1;
    int fd = fileno(file);
    int status = -1;
    TIFF* tif = open_fd(fd, "w", complaints);
    if (tif != nullptr) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(row_bytes));
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(rows));
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_PACKBITS);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(rows));
        int ok = TIFFWriteRawStrip(tif, 0, const_cast<unsigned char*>(packed), static_cast<tmsize_t>(size)) >= 0;
        TIFFClose(tif);
        TiffContents contents;
        if (ok && tiff_read_back(fd, &contents) == 0) {
            *out = contents.by_scanline;
            *complaints += contents.complaints;
            status = contents.by_strip == contents.by_scanline ? 0 : -1;
        }
    }
    std::fclose(file);
    return status;
}

int packbits_well_formed(const unsigned char* packed, size_t size, size_t row_bytes, size_t rows) {
    size_t at = 0;
    for (size_t row = 0; row < rows; ++row) {
        size_t have = 0;
        while (have < row_bytes) {
            if (at >= size) return -1;
            int code = static_cast<signed char>(packed[at++]);
            if (code == -128) return -1;
            size_t n;
            if (code >= 0) {
                n = static_cast<size_t>(code) + 1;
                if (size - at < n) return -1;
                at += n;
            } else {
                n = static_cast<size_t>(1 - code);
                if (at >= size) return -1;
                ++at;
            }
            have += n;
        }
        if (have != row_bytes) return -1;
    }
    return at == size ? 0 : -1;
}
