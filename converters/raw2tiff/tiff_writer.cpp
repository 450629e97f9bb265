#include "tiff_writer.h"

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <tiffio.h>

#include "file_io.h"
#include "packbits_encoder.h"

namespace {

// What libtiff's I/O callbacks and error handler saw; the first failure wins,
// since later ones are usually its consequences.
struct Sink {
    int fd;
    int write_errno;
    char tiff_error[256];
};

tmsize_t sink_read(thandle_t h, void* buf, tmsize_t size) {
    Sink* s = static_cast<Sink*>(h);
    return static_cast<tmsize_t>(fd_read(s->fd, buf, static_cast<size_t>(size)));
}

tmsize_t sink_write(thandle_t h, void* buf, tmsize_t size) {
    Sink* s = static_cast<Sink*>(h);
    const char* p = static_cast<const char*>(buf);
    size_t left = static_cast<size_t>(size);
    while (left > 0) {
        int64_t n = fd_write(s->fd, p, left);
        if (n <= 0) {
            if (s->write_errno == 0) s->write_errno = n < 0 ? errno : EIO;
            return -1;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return size;
}

toff_t sink_seek(thandle_t h, toff_t offset, int whence) {
    int64_t r = fd_seek(static_cast<Sink*>(h)->fd, static_cast<int64_t>(offset), whence);
    return r < 0 ? static_cast<toff_t>(-1) : static_cast<toff_t>(r);
}

int sink_close(thandle_t) { return 0; }  // the caller owns the descriptor

toff_t sink_size(thandle_t h) {
    int64_t size = fd_size(static_cast<Sink*>(h)->fd);
    return size < 0 ? 0 : static_cast<toff_t>(size);
}

int sink_map(thandle_t, void**, toff_t*) { return 0; }
void sink_unmap(thandle_t, void*, toff_t) {}

int keep_error(TIFF*, void* user_data, const char*, const char* fmt, va_list ap) {
    Sink* s = static_cast<Sink*>(user_data);
    if (s->tiff_error[0] == '\0') std::vsnprintf(s->tiff_error, sizeof s->tiff_error, fmt, ap);
    return 1;
}

int ignore_warning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

uint16_t tiff_code(TiffCompression c) {
    switch (c) {
        case TiffCompression::none: return COMPRESSION_NONE;
        case TiffCompression::packbits: return COMPRESSION_PACKBITS;
        case TiffCompression::lzw: return COMPRESSION_LZW;
        case TiffCompression::zip: return COMPRESSION_ADOBE_DEFLATE;
    }
    return COMPRESSION_NONE;
}

int write_strips(TIFF* tif, const RgbImage& image, TiffCompression compression, uint32_t rows_per_strip) {
    const size_t row_bytes = static_cast<size_t>(image.width) * 3;
    const uint32_t height = static_cast<uint32_t>(image.height);
    unsigned char* packed = nullptr;
    if (compression == TiffCompression::packbits) {
        packed = static_cast<unsigned char*>(std::malloc(rows_per_strip * packbits_bound(row_bytes)));
        if (packed == nullptr) return -1;
    }
    int status = 0;
    uint32_t strip = 0;
    for (uint32_t row = 0; row < height && status == 0; row += rows_per_strip, ++strip) {
        uint32_t rows = height - row < rows_per_strip ? height - row : rows_per_strip;
        // libtiff takes non-const buffers but reads these only.
        unsigned char* data = image.pixels + row * row_bytes;
        tmsize_t size = static_cast<tmsize_t>(rows * row_bytes);
        tmsize_t written;
        if (compression == TiffCompression::packbits) {
            size_t n = 0;
            for (uint32_t r = 0; r < rows; ++r) {
                n += packbits_encode_row(data + r * row_bytes, row_bytes, packed + n);
            }
            written = TIFFWriteRawStrip(tif, strip, packed, static_cast<tmsize_t>(n));
        } else if (compression == TiffCompression::none) {
            written = TIFFWriteRawStrip(tif, strip, data, size);
        } else {
            written = TIFFWriteEncodedStrip(tif, strip, data, size);
        }
        if (written < 0) status = -1;
    }
    std::free(packed);
    return status;
}

}  // namespace

int tiff_write_rgb(int fd, const RgbImage& image, TiffCompression compression, ToolError* error) {
    Sink sink = {fd, 0, ""};
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) return tool_fail(error, "out of memory");
    TIFFOpenOptionsSetErrorHandlerExtR(options, keep_error, &sink);
    TIFFOpenOptionsSetWarningHandlerExtR(options, ignore_warning, nullptr);
    TIFF* tif = TIFFClientOpenExt("raw2tiff", "w", &sink, sink_read, sink_write, sink_seek, sink_close, sink_size,
                                  sink_map, sink_unmap, options);
    TIFFOpenOptionsFree(options);

    int status = tif != nullptr ? 0 : -1;
    if (status == 0) {
        const size_t row_bytes = static_cast<size_t>(image.width) * 3;
        uint32_t rows_per_strip = static_cast<uint32_t>(kTiffStripBytes / row_bytes);
        if (rows_per_strip == 0) rows_per_strip = 1;
        if (rows_per_strip > static_cast<uint32_t>(image.height)) {
            rows_per_strip = static_cast<uint32_t>(image.height);
        }
        int ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(image.width)) &&
                 TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(image.height)) &&
                 TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8) && TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3) &&
                 TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
                 TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
                 TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
                 TIFFSetField(tif, TIFFTAG_COMPRESSION, tiff_code(compression)) &&
                 TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows_per_strip) &&
                 // Baseline readers expect a resolution; PPM has none, so the usual 72 dpi.
                 TIFFSetField(tif, TIFFTAG_XRESOLUTION, 72.0) && TIFFSetField(tif, TIFFTAG_YRESOLUTION, 72.0) &&
                 TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        if (!ok || write_strips(tif, image, compression, rows_per_strip) != 0 || !TIFFWriteDirectory(tif)) {
            status = -1;
        }
        TIFFClose(tif);
    }
    if (status == 0) return 0;
    if (sink.write_errno != 0) return tool_fail_errno(error, sink.write_errno);
    if (sink.tiff_error[0] != '\0') return tool_fail(error, "%s", sink.tiff_error);
    return tool_fail(error, "cannot write TIFF (out of memory?)");
}
