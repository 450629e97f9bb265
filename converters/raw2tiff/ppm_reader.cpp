#include "ppm_reader.h"

#include <cstdint>
#include <cstdio>

namespace {

// The largest raster we accept: libtiff and the callers count bytes in int.
const uint64_t kMaxRasterBytes = 2147483647;

bool is_space(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

struct Cursor {
    const unsigned char* p;
    const unsigned char* end;
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
int read_number(Cursor* c, const char* what, uint64_t* value, char* reason, size_t reason_size) {
    skip_blanks(c);
    if (c->p == c->end) {
        std::snprintf(reason, reason_size, "truncated header (no %s)", what);
        return -1;
    }
    if (*c->p < '0' || *c->p > '9') {
        std::snprintf(reason, reason_size, "bad %s in header", what);
        return -1;
    }
    uint64_t v = 0;
    while (c->p < c->end && *c->p >= '0' && *c->p <= '9') {
        if (v < (uint64_t(1) << 32)) v = v * 10 + (*c->p - '0');
        ++c->p;
    }
    if (c->p == c->end) {
        std::snprintf(reason, reason_size, "truncated header (after %s)", what);
        return -1;
    }
    if (!is_space(*c->p) && *c->p != '#') {
        std::snprintf(reason, reason_size, "bad %s in header", what);
        return -1;
    }
    *value = v;
    return 0;
}

}  // namespace

int ppm_parse(const unsigned char* data, size_t size, PpmRaster* image,
              char* reason, size_t reason_size) {
    if (size < 2 || data[0] != 'P' || data[1] != '6') {
        std::snprintf(reason, reason_size, "not a binary PPM (P6) file");
        return -1;
    }
    Cursor c = {data + 2, data + size};
    if (c.p < c.end && !is_space(*c.p) && *c.p != '#') {
        std::snprintf(reason, reason_size, "not a binary PPM (P6) file");
        return -1;
    }
    uint64_t width, height, maxval;
    if (read_number(&c, "width", &width, reason, reason_size) != 0 ||
        read_number(&c, "height", &height, reason, reason_size) != 0 ||
        read_number(&c, "maxval", &maxval, reason, reason_size) != 0) {
        return -1;
    }
    // Exactly one whitespace byte ends the header; a comment may not follow the maxval.
    if (!is_space(*c.p)) {
        std::snprintf(reason, reason_size, "bad maxval in header");
        return -1;
    }
    ++c.p;
    if (width == 0 || height == 0) {
        std::snprintf(reason, reason_size, "empty image (%llux%llu)",
                      static_cast<unsigned long long>(width), static_cast<unsigned long long>(height));
        return -1;
    }
    if (maxval != 255) {
        if (maxval < (uint64_t(1) << 32)) {
            std::snprintf(reason, reason_size, "maxval %llu not supported (only 255)",
                          static_cast<unsigned long long>(maxval));
        } else {
            std::snprintf(reason, reason_size, "maxval too large (only 255 is supported)");
        }
        return -1;
    }
    // Both are at most 2^31 when the product is taken: no 64-bit overflow.
    if (width > kMaxRasterBytes || height > kMaxRasterBytes ||
        width * height * 3 > kMaxRasterBytes) {
        std::snprintf(reason, reason_size, "image too large");
        return -1;
    }
    uint64_t raster = width * height * 3;
    uint64_t have = static_cast<uint64_t>(c.end - c.p);
    if (have < raster) {
        std::snprintf(reason, reason_size, "truncated raster (%llu of %llu bytes)",
                      static_cast<unsigned long long>(have), static_cast<unsigned long long>(raster));
        return -1;
    }
    image->width = static_cast<int>(width);
    image->height = static_cast<int>(height);
    image->pixels = c.p;
    return 0;
}
