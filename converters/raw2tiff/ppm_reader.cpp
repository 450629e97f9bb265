#include "ppm_reader.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include "file_io.h"
#include "input_file.h"

namespace {

// The largest raster we accept: libtiff and the callers count bytes in int.
const uint64_t kMaxRasterBytes = 2147483647;

bool is_space(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

struct Cursor {
    const unsigned char* p;
    const unsigned char* end;
    bool* need_more;  // set when the bytes end inside the header
};

// Skips whitespace and comments; a comment runs from '#' to the end of the line.
void skip_blanks(Cursor* c) {
    while (c->p < c->end) {
        if (is_space(*c->p)) {
            ++c->p;
        } else if (*c->p == '#') {
            while (c->p < c->end && *c->p != '\n' && *c->p != '\r') ++c->p;
        } else {
            break;
        }
    }
}

// One decimal field followed by whitespace or a comment (or, for the maxval,
// by the caller's check). Past 2^32 a value stops growing: it stays too large
// without overflowing.
int read_number(Cursor* c, const char* what, uint64_t* value, ToolError* error) {
    skip_blanks(c);
    if (c->p == c->end) {
        *c->need_more = true;
        return tool_fail(error, "truncated header (no %s)", what);
    }
    if (*c->p < '0' || *c->p > '9') return tool_fail(error, "bad %s in header", what);
    uint64_t v = 0;
    while (c->p < c->end && *c->p >= '0' && *c->p <= '9') {
        if (v < (uint64_t(1) << 32)) v = v * 10 + (*c->p - '0');
        ++c->p;
    }
    if (c->p == c->end) {
        *c->need_more = true;
        return tool_fail(error, "truncated header (after %s)", what);
    }
    if (!is_space(*c->p) && *c->p != '#') return tool_fail(error, "bad %s in header", what);
    *value = v;
    return 0;
}

uint64_t raster_bytes(const PpmHeader& h) { return static_cast<uint64_t>(h.width) * h.height * 3; }

int raster_truncated(uint64_t have, uint64_t raster, ToolError* error) {
    return tool_fail(error, "truncated raster (%llu of %llu bytes)", static_cast<unsigned long long>(have),
                     static_cast<unsigned long long>(raster));
}

// Reads up to `want` bytes from the start of the file; fewer only at its end.
int read_start(int fd, uint8_t* buffer, size_t want, size_t* got, ToolError* error) {
    if (fd_read_at(fd, buffer, want, 0, got) != 0) return tool_fail(error, "read error: %s", std::strerror(errno));
    return 0;
}

// The header from the first bytes of the file: a short first read, then more
// only while the header is incomplete, up to kPpmMaxHeader.
int read_header(int fd, int64_t file_size, PpmHeader* header, ToolError* error) {
    uint8_t* buffer = static_cast<uint8_t*>(std::malloc(kPpmMaxHeader));
    if (buffer == nullptr) return tool_fail(error, "out of memory");
    size_t want = 4096;
    int rc;
    for (;;) {
        size_t got = 0;
        bool need_more = false;
        rc = read_start(fd, buffer, want, &got, error);
        if (rc == 0) rc = ppm_parse_header(buffer, got, header, &need_more, error);
        if (rc == 0 || !need_more || got < want || static_cast<int64_t>(got) >= file_size) break;
        if (want == kPpmMaxHeader) {
            rc = tool_fail(error, "header too long (over %zu bytes)", kPpmMaxHeader);
            break;
        }
        want = kPpmMaxHeader;
    }
    std::free(buffer);
    return rc;
}

}  // namespace

int ppm_parse_header(const uint8_t* data, size_t size, PpmHeader* header, bool* need_more, ToolError* error) {
    *need_more = false;
    if (size < 2 || data[0] != 'P' || data[1] != '6') return tool_fail(error, "not a binary PPM (P6) file");
    Cursor c = {data + 2, data + size, need_more};
    if (c.p < c.end && !is_space(*c.p) && *c.p != '#') return tool_fail(error, "not a binary PPM (P6) file");
    uint64_t width, height, maxval;
    if (read_number(&c, "width", &width, error) != 0 || read_number(&c, "height", &height, error) != 0 ||
        read_number(&c, "maxval", &maxval, error) != 0) {
        return -1;
    }
    // Exactly one whitespace byte ends the header; a comment may not follow the maxval.
    if (!is_space(*c.p)) return tool_fail(error, "bad maxval in header");
    ++c.p;
    if (width == 0 || height == 0)
        return tool_fail(error, "empty image (%llux%llu)", static_cast<unsigned long long>(width),
                         static_cast<unsigned long long>(height));
    if (maxval != 255) {
        if (maxval < (uint64_t(1) << 32))
            return tool_fail(error, "maxval %llu not supported (only 255)", static_cast<unsigned long long>(maxval));
        return tool_fail(error, "maxval too large (only 255 is supported)");
    }
    // Both are at most 2^31 when the product is taken: no 64-bit overflow.
    if (width > kMaxRasterBytes || height > kMaxRasterBytes || width * height * 3 > kMaxRasterBytes)
        return tool_fail(error, "image too large");
    header->width = static_cast<int32_t>(width);
    header->height = static_cast<int32_t>(height);
    header->raster_offset = static_cast<size_t>(c.p - data);
    return 0;
}

int ppm_parse(const uint8_t* data, size_t size, RgbImage* image, ToolError* error) {
    PpmHeader header;
    bool need_more;
    if (ppm_parse_header(data, size, &header, &need_more, error) != 0) return -1;
    uint64_t have = size - header.raster_offset;
    if (have < raster_bytes(header)) return raster_truncated(have, raster_bytes(header), error);
    // Read only, like the input it points into.
    *image = RgbImage{header.width, header.height, const_cast<uint8_t*>(data + header.raster_offset)};
    return 0;
}

int ppm_file_open(const char* path, PpmFile* file, ToolError* error) {
    file->map = nullptr;
    file->map_size = 0;
    file->image = RgbImage{0, 0, nullptr};
    int fd;
    int64_t file_size;
    if (input_open(path, &fd, &file_size, error) != 0) return -1;
    PpmHeader header;
    int rc = read_header(fd, file_size, &header, error);
    if (rc == 0) {
        uint64_t raster = raster_bytes(header);
        uint64_t have = static_cast<uint64_t>(file_size) - header.raster_offset;
        if (have < raster) {
            rc = raster_truncated(have, raster, error);
        } else {
            size_t bytes = header.raster_offset + static_cast<size_t>(raster);
            void* p = nullptr;
            rc = input_map(fd, bytes, &p, error);
            if (rc == 0) {
                file->map = p;
                file->map_size = bytes;
                file->image = RgbImage{header.width, header.height, static_cast<uint8_t*>(p) + header.raster_offset};
            }
        }
    }
    fd_close(fd);
    return rc;
}

void ppm_file_close(PpmFile* file) {
    input_unmap(file->map, file->map_size);
    file->map = nullptr;
}
