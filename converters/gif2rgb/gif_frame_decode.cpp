#include "gif_frame_decode.h"

#include <gif_lib.h>

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "file_io.h"
#include "input_file.h"
#include "raster_alloc.h"

namespace {

constexpr size_t kFileBuffer = 65536;

// giflib pulls bytes through this; it also remembers the last byte handed
// over, which after DGifGetImageDesc is the LZW minimum code size: giflib
// keeps that to itself.
struct Reader {
    int fd;  // -1 for a memory buffer
    const uint8_t* data;
    size_t size;
    size_t pos;
    size_t total;  // bytes given to giflib so far
    bool eof;
    int read_errno;
    int last_byte;  // -1 when the last request got nothing
    uint8_t* buf;   // kFileBuffer bytes when reading a file
};

int reader_refill(Reader* r) {
    for (;;) {
        int64_t n = fd_read(r->fd, r->buf, kFileBuffer);
        if (n > 0) {
            r->data = r->buf;
            r->size = static_cast<size_t>(n);
            r->pos = 0;
            return 0;
        }
        if (n == 0) {
            r->eof = true;
            return -1;
        }
        r->read_errno = errno;
        return -1;
    }
}

int read_callback(GifFileType* gif, GifByteType* dst, int want) {
    Reader* r = static_cast<Reader*>(gif->UserData);
    int got = 0;
    while (got < want) {
        if (r->pos == r->size) {
            if (r->fd < 0) {
                r->eof = true;
                break;
            }
            if (r->read_errno != 0 || r->eof || reader_refill(r) < 0) break;
        }
        size_t n = r->size - r->pos;
        if (n > static_cast<size_t>(want - got)) n = static_cast<size_t>(want - got);
        std::memcpy(dst + got, r->data + r->pos, n);
        r->pos += n;
        got += static_cast<int>(n);
    }
    r->total += static_cast<size_t>(got);
    r->last_byte = got > 0 ? dst[got - 1] : -1;
    return got;
}

struct Rect {
    int x, y, w, h;  // already clipped to the screen; w or h may be 0
};

struct Decoder {
    GifFileType* gif;
    Reader* reader;
    const GifLzw* lzw;
    ToolError* error;
    int sw, sh;
    uint8_t bg[3];
    uint8_t* screen;  // sw * sh * 3, allocated at the first image
    uint8_t* index;   // one image's colour indices
    size_t index_cap;
    uint8_t* saved;  // what an image with disposal 3 covered
    size_t saved_cap;
    int images;
    // From the latest Graphic Control Extension, for the next image.
    int gce_disposal;
    int gce_transparent;
    // The previous image, whose disposal is due before the next is painted.
    int prev_disposal;
    Rect prev_rect;
};

int fail(Decoder* d, const char* format, ...) __attribute__((format(TOOL_PRINTF_FORMAT, 2, 3)));
int fail(Decoder* d, const char* format, ...) {
    va_list args;
    va_start(args, format);
    tool_vfail(d->error, format, args);
    va_end(args);
    return -1;
}

// Turns a giflib failure into a reason; a short read says more than its code.
int fail_giflib(Decoder* d, int error) {
    const Reader* r = d->reader;
    if (r->read_errno != 0) return fail(d, "read error: %s", std::strerror(r->read_errno));
    if (r->eof && r->total < 6) return fail(d, "not a GIF file");
    if (r->eof) return fail(d, "truncated file");
    switch (error) {
        case D_GIF_ERR_NOT_GIF_FILE: return fail(d, "not a GIF file");
        case D_GIF_ERR_WRONG_RECORD: return fail(d, "corrupt file (unknown block type)");
        case D_GIF_ERR_NOT_ENOUGH_MEM: return fail(d, "out of memory");
        case D_GIF_ERR_IMAGE_DEFECT: return fail(d, "corrupt image data");
        case D_GIF_ERR_EOF_TOO_SOON: return fail(d, "%s", lzw_error_text(kLzwEarlyEnd));
        default: break;
    }
    const char* text = GifErrorString(error);
    return fail(d, "corrupt file (%s)", text ? text : "giflib error");
}

void* grow(uint8_t** buffer, size_t* cap, size_t need) {
    if (*cap >= need) return *buffer;
    std::free(*buffer);
    *buffer = static_cast<uint8_t*>(std::malloc(need));
    *cap = *buffer ? need : 0;
    return *buffer;
}

void fill_rect(Decoder* d, Rect r) {
    for (int y = r.y; y < r.y + r.h; ++y) {
        uint8_t* row = d->screen + (static_cast<size_t>(y) * d->sw + r.x) * 3;
        for (int x = 0; x < r.w; ++x) std::memcpy(row + 3 * x, d->bg, 3);
    }
}

void copy_rect(Decoder* d, Rect r, bool to_saved) {
    size_t row_bytes = static_cast<size_t>(r.w) * 3;
    for (int y = 0; y < r.h; ++y) {
        uint8_t* on_screen = d->screen + (static_cast<size_t>(r.y + y) * d->sw + r.x) * 3;
        uint8_t* kept = d->saved + y * row_bytes;
        if (to_saved)
            std::memcpy(kept, on_screen, row_bytes);
        else
            std::memcpy(on_screen, kept, row_bytes);
    }
}

// Row of the image that the r-th decoded row of an interlaced image is.
int interlaced_row(int r, int height) {
    int n = (height + 7) / 8;
    if (r < n) return r * 8;
    r -= n;
    n = (height + 3) / 8;
    if (r < n) return 4 + r * 8;
    r -= n;
    n = (height + 1) / 4;
    if (r < n) return 2 + r * 4;
    r -= n;
    return 1 + r * 2;
}

// 4-byte stores, 3 apart, each overwriting the next pixel's first byte; the
// last pixel gets exactly 3 so nothing right of the row is touched.
void map_row(uint8_t* dst, const uint8_t* src, int n, const uint8_t (*lut)[4]) {
    int i = 0;
    for (; i + 1 < n; ++i) std::memcpy(dst + 3 * i, lut[src[i]], 4);
    std::memcpy(dst + 3 * i, lut[src[i]], 3);
}

void map_row_transparent(uint8_t* dst, const uint8_t* src, int n, const uint8_t (*lut)[4], int transparent) {
    for (int i = 0; i < n; ++i)
        if (src[i] != transparent) std::memcpy(dst + 3 * i, lut[src[i]], 3);
}

struct BlockSource {
    GifFileType* gif;
    bool started;
    bool ended;
    bool failed;
};

int next_code_block(void* ctx, const uint8_t** data, int* size) {
    BlockSource* s = static_cast<BlockSource*>(ctx);
    if (s->ended || s->failed) return s->failed ? -1 : 0;
    GifByteType* block = nullptr;
    int code_size = 0;
    int rc = s->started ? DGifGetCodeNext(s->gif, &block) : DGifGetCode(s->gif, &code_size, &block);
    s->started = true;
    if (rc == GIF_ERROR) {
        s->failed = true;
        return -1;
    }
    if (block == nullptr) {
        s->ended = true;
        return 0;
    }
    *data = block + 1;
    *size = block[0];
    return 1;
}

int fail_lzw(Decoder* d, LzwError error, int image) {
    if (error == kLzwReadFailed) return fail_giflib(d, d->gif->Error);
    return fail(d, "image %d: %s", image, lzw_error_text(error));
}

// The image is full; skip whatever data is left up to the terminator.
int skip_code_blocks(BlockSource* source, LzwError* error) {
    const uint8_t* data;
    int size;
    while (next_code_block(source, &data, &size) > 0) {
    }
    if (!source->failed) return 0;
    *error = kLzwReadFailed;
    return -1;
}

int our_indices(GifFileType* gif, int min_code_size, uint8_t* out, size_t count, LzwError* error) {
    BlockSource source = {gif, false, false, false};
    if (lzw_decode(min_code_size, LzwSource{&source, next_code_block}, out, count, error) < 0) return -1;
    return skip_code_blocks(&source, error);
}

int our_rgb(GifFileType* gif, int min_code_size, const uint8_t (*lut)[4], uint8_t* out, size_t count, LzwError* error) {
    BlockSource source = {gif, false, false, false};
    if (lzw_decode_rgb(min_code_size, LzwSource{&source, next_code_block}, lut, out, count, error) < 0) return -1;
    return skip_code_blocks(&source, error);
}

int read_image(Decoder* d) {
    GifFileType* gif = d->gif;
    const Reader* reader = d->reader;
    if (DGifGetImageDesc(gif) == GIF_ERROR) {
        // giflib's last read was the code size; it calls a bad one a read error.
        if (gif->Error == D_GIF_ERR_READ_FAILED && !reader->eof && reader->read_errno == 0 && reader->last_byte > 8)
            return fail(d, "image %d: %s %d", d->images + 1, lzw_error_text(kLzwBadCodeSize), reader->last_byte);
        return fail_giflib(d, gif->Error);
    }
    int min_code_size = reader->last_byte;
    // The sequential API still keeps a record of every image; drop it so a
    // file of a million tiny images cannot pile them up.
    GifFreeSavedImages(gif);
    gif->ImageCount = 0;

    int image = ++d->images;
    int disposal = d->gce_disposal;
    int transparent = d->gce_transparent;
    d->gce_disposal = 0;
    d->gce_transparent = -1;

    const GifImageDesc* desc = &gif->Image;
    const ColorMapObject* map = desc->ColorMap ? desc->ColorMap : gif->SColorMap;
    int w = desc->Width;
    int h = desc->Height;
    if (min_code_size < 0) return fail_giflib(d, D_GIF_ERR_READ_FAILED);
    if (w <= 0 || h <= 0) return fail(d, "image %d has zero size (%dx%d)", image, w, h);
    size_t count = static_cast<size_t>(w) * h;
    if (count > static_cast<size_t>(d->sw) * d->sh)
        return fail(d, "image %d (%dx%d) has more pixels than the screen (%dx%d)", image, w, h, d->sw, d->sh);
    if (map == nullptr) return fail(d, "image %d has no colour table", image);

    Rect rect = {desc->Left, desc->Top, 0, 0};
    if (rect.x < d->sw && rect.y < d->sh) {
        rect.w = w < d->sw - rect.x ? w : d->sw - rect.x;
        rect.h = h < d->sh - rect.y ? h : d->sh - rect.y;
    }
    int ncolors = map->ColorCount;
    bool opaque = transparent < 0;
    // Only the first image ever sees the bare background, and not even that
    // when it covers all of the screen.
    if (d->screen == nullptr) {
        size_t bytes = static_cast<size_t>(d->sw) * d->sh * 3;
        d->screen = alloc_raster(bytes + kLzwRgbOutputSlack);
        if (d->screen == nullptr) return fail(d, "out of memory");
        if (!(opaque && rect.w == d->sw && rect.h == d->sh))
            for (size_t i = 0; i < bytes; i += 3) std::memcpy(d->screen + i, d->bg, 3);
    }

    if (d->prev_disposal == DISPOSE_BACKGROUND) {
        fill_rect(d, d->prev_rect);
    } else if (d->prev_disposal == DISPOSE_PREVIOUS) {
        copy_rect(d, d->prev_rect, false);
    }
    d->prev_disposal = disposal;
    d->prev_rect = rect;
    if (disposal == DISPOSE_PREVIOUS && rect.w > 0) {
        if (!grow(&d->saved, &d->saved_cap, static_cast<size_t>(rect.w) * rect.h * 3)) return fail(d, "out of memory");
        copy_rect(d, rect, true);
    }

    uint8_t lut[256][4] = {};
    for (int i = 0; i < ncolors; ++i) {
        lut[i][0] = map->Colors[i].Red;
        lut[i][1] = map->Colors[i].Green;
        lut[i][2] = map->Colors[i].Blue;
    }

    // The usual frame: full rows down to the bottom of the screen, every
    // index inside the table. It decodes straight to RGB in place; whatever
    // the decoder writes past its last pixel lands in the screen's slack.
    LzwError error = kLzwOk;
    if (d->lzw->rgb != nullptr && opaque && !desc->Interlace && rect.x == 0 && w == d->sw && rect.y + h == d->sh &&
        (1 << min_code_size) <= ncolors) {
        uint8_t* dst = d->screen + static_cast<size_t>(rect.y) * d->sw * 3;
        if (d->lzw->rgb(gif, min_code_size, lut, dst, count, &error) < 0) return fail_lzw(d, error, image);
        return 0;
    }

    if (!grow(&d->index, &d->index_cap, count + kLzwOutputSlack)) return fail(d, "out of memory");
    if (d->lzw->indices(gif, min_code_size, d->index, count, &error) < 0) return fail_lzw(d, error, image);
    if (ncolors < 256 && (!d->lzw->indices_below_code_size || (1 << min_code_size) > ncolors)) {
        for (size_t i = 0; i < count; ++i) {
            int v = d->index[i];
            if (v >= ncolors && v != transparent)
                return fail(d, "image %d: colour index %d beyond its %d-entry colour table", image, v, ncolors);
        }
    }
    if (rect.w == 0) return 0;
    for (int r = 0; r < h; ++r) {
        int y = rect.y + (desc->Interlace ? interlaced_row(r, h) : r);
        if (y >= d->sh) continue;
        uint8_t* dst = d->screen + (static_cast<size_t>(y) * d->sw + rect.x) * 3;
        const uint8_t* src = d->index + static_cast<size_t>(r) * w;
        if (opaque)
            map_row(dst, src, rect.w, lut);
        else
            map_row_transparent(dst, src, rect.w, lut, transparent);
    }
    return 0;
}

int read_extension(Decoder* d) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(d->gif, &code, &block) == GIF_ERROR) return fail_giflib(d, d->gif->Error);
    // A control block too short to hold its fields is ignored, not fatal.
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
        d->gce_disposal = (block[1] >> 2) & 7;
        d->gce_transparent = (block[1] & 1) ? block[4] : -1;
    }
    while (block != nullptr)
        if (DGifGetExtensionNext(d->gif, &block) == GIF_ERROR) return fail_giflib(d, d->gif->Error);
    return 0;
}

int decode(Decoder* d) {
    int error = 0;
    d->gif = DGifOpen(d->reader, read_callback, &error);
    if (d->gif == nullptr) return fail_giflib(d, error);
    GifFileType* gif = d->gif;
    d->sw = gif->SWidth;
    d->sh = gif->SHeight;
    if (d->sw <= 0 || d->sh <= 0) return fail(d, "screen has zero size (%dx%d)", d->sw, d->sh);
    if (static_cast<int64_t>(d->sw) * d->sh * 3 > INT32_MAX)
        return fail(d, "screen %dx%d is too large (over 2147483647 RGB bytes)", d->sw, d->sh);
    const ColorMapObject* global = gif->SColorMap;
    if (global && gif->SBackGroundColor >= 0 && gif->SBackGroundColor < global->ColorCount) {
        const GifColorType& c = global->Colors[gif->SBackGroundColor];
        d->bg[0] = c.Red;
        d->bg[1] = c.Green;
        d->bg[2] = c.Blue;
    }
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return fail_giflib(d, gif->Error);
        if (type == TERMINATE_RECORD_TYPE) break;
        int rc = type == IMAGE_DESC_RECORD_TYPE  ? read_image(d)
                 : type == EXTENSION_RECORD_TYPE ? read_extension(d)
                                                 : fail(d, "corrupt file (unknown block type)");
        if (rc < 0) return -1;
    }
    if (d->images == 0) return fail(d, "no image in the file");
    return 0;
}

int run(Reader* reader, const GifLzw* lzw, RgbImage* out, ToolError* error) {
    Decoder d;
    std::memset(&d, 0, sizeof d);
    d.reader = reader;
    d.lzw = lzw;
    d.error = error;
    d.gce_transparent = -1;
    error->reason[0] = '\0';
    int rc = decode(&d);
    if (d.gif) DGifCloseFile(d.gif, nullptr);
    std::free(d.index);
    std::free(d.saved);
    if (rc < 0) {
        std::free(d.screen);
        *out = RgbImage{0, 0, nullptr};
        return -1;
    }
    *out = RgbImage{d.sw, d.sh, d.screen};
    return 0;
}

}  // namespace

const GifLzw kGifLzw = {our_indices, our_rgb, true};

int gif_decode_file(const char* path, RgbImage* out, ToolError* error) {
    *out = RgbImage{0, 0, nullptr};
    Reader reader;
    std::memset(&reader, 0, sizeof reader);
    int64_t size = 0;
    if (input_open(path, &reader.fd, &size, error) < 0) return -1;
    reader.buf = static_cast<uint8_t*>(std::malloc(kFileBuffer));
    int rc = reader.buf == nullptr ? tool_fail(error, "out of memory") : run(&reader, &kGifLzw, out, error);
    std::free(reader.buf);
    fd_close(reader.fd);
    return rc;
}

int gif_decode_memory(const uint8_t* data, size_t size, const GifLzw* lzw, RgbImage* out, ToolError* error) {
    Reader reader;
    std::memset(&reader, 0, sizeof reader);
    reader.fd = -1;
    reader.data = data;
    reader.size = size;
    return run(&reader, lzw, out, error);
}
