#include "lzw_decode.h"

#include <cstring>

// Every table entry is a string that has already been written to the output
// once, so an entry is just (offset, length) into the output and emitting a
// code is a copy from earlier output, the way LZ77 decoders work. There are
// no prefix chains to walk and most strings move in one 16-byte copy.

namespace {

constexpr int kMaxCodes = 4096;
constexpr int kMaxWidth = 12;
constexpr size_t kWindow = 16384;

struct Input {
    LzwSource source;
    bool done;  // terminator seen or the source failed
    bool failed;
    const uint8_t* p;
    const uint8_t* end;
    // +8 so the 8-byte loads near the end never leave the array.
    uint8_t buf[kWindow + 8];
};

// Keeps the unread tail and appends sub-blocks until the window is full.
void fill(Input* in) {
    size_t left = static_cast<size_t>(in->end - in->p);
    std::memmove(in->buf, in->p, left);
    uint8_t* w = in->buf + left;
    while (!in->done && static_cast<size_t>(in->buf + kWindow - w) >= 255) {
        const uint8_t* data = nullptr;
        int size = 0;
        int r = in->source.next_block(in->source.ctx, &data, &size);
        if (r <= 0) {
            in->done = true;
            in->failed = r < 0;
            break;
        }
        std::memcpy(w, data, static_cast<size_t>(size));
        w += size;
    }
    std::memset(w, 0, 8);
    in->p = in->buf;
    in->end = w;
}

// The rare case: fewer than 8 bytes in the window. Tops the bit buffer up
// byte by byte, refilling the window from the source when it can.
__attribute__((noinline)) int refill_slow(Input* in, const uint8_t** p, uint64_t* bits, int* nbits, int width,
                                          LzwError* error) {
    for (;;) {
        while (*nbits <= 56 && *p < in->end) {
            *bits |= static_cast<uint64_t>(*(*p)++) << *nbits;
            *nbits += 8;
        }
        if (*nbits >= width) return 0;
        if (in->done) {
            *error = in->failed ? kLzwReadFailed : kLzwOutOfData;
            return -1;
        }
        in->p = *p;
        fill(in);
        *p = in->p;
    }
}

inline uint64_t load_le64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

// Copies n >= 1 bytes from s to d where s + n <= d, 16 at a time. Each chunk
// is loaded before it is stored, and the bytes that matter all lie before d,
// so the overlap past s + n does no harm.
inline void copy_string(uint8_t* d, const uint8_t* s, size_t n) {
    for (size_t i = 0; i < n; i += 16) {
        uint8_t chunk[16];
        std::memcpy(chunk, s + i, 16);
        std::memcpy(d + i, chunk, 16);
    }
}

// B is the size of one output pixel: 1 for indices, 3 for RGB through lut.
template <int B>
int decode(int min_code_size, LzwSource source, uint8_t* out, size_t pixel_count, const uint8_t (*lut)[4],
           LzwError* error) {
    *error = kLzwOk;
    if (min_code_size < 0 || min_code_size > 8) {
        *error = kLzwBadCodeSize;
        return -1;
    }
    Input in;
    in.source = source;
    in.done = false;
    in.failed = false;
    in.p = in.buf;
    in.end = in.buf;

    uint32_t offset[kMaxCodes];
    uint16_t length[kMaxCodes];

    const int clear = 1 << min_code_size;
    const int eoi = clear + 1;
    const int first_free = clear + 2;
    // giflib's bookkeeping: `running` counts codes read since the last clear
    // (offset by first_free) and the width grows once it passes 2^width.
    int width = min_code_size + 1;
    int max_code1 = 1 << width;
    int running = first_free;
    int next_free = first_free;  // entries [first_free, next_free) are defined
    bool have_prev = false;
    size_t prev_pos = 0;
    size_t prev_len = 0;

    const uint8_t* p = in.p;
    uint64_t bits = 0;
    int nbits = 0;
    size_t cur = 0;
    while (cur < pixel_count) {
        if (nbits < width) {
            if (in.end - p >= 8) {
                bits |= load_le64(p) << nbits;
                p += (63 - nbits) >> 3;
                nbits |= 56;
            } else if (refill_slow(&in, &p, &bits, &nbits, width, error) < 0) {
                return -1;
            }
        }
        int code = static_cast<int>(bits & ((1u << width) - 1));
        bits >>= width;
        nbits -= width;
        if (running < kMaxCodes + 1 && ++running > max_code1 && width < kMaxWidth) {
            max_code1 <<= 1;
            ++width;
        }

        if (code > eoi && code < next_free) {
            size_t n = length[code];
            if (next_free < kMaxCodes) {
                offset[next_free] = static_cast<uint32_t>(prev_pos);
                length[next_free] = static_cast<uint16_t>(prev_len + 1);
                ++next_free;
            }
            copy_string(out + B * cur, out + B * offset[code], B * n);
            prev_pos = cur;
            prev_len = n;
            cur += n;
        } else if (code < clear) {
            if (have_prev && next_free < kMaxCodes) {
                offset[next_free] = static_cast<uint32_t>(prev_pos);
                length[next_free] = static_cast<uint16_t>(prev_len + 1);
                ++next_free;
            }
            if (B == 1)
                out[cur] = static_cast<uint8_t>(code);
            else
                std::memcpy(out + B * cur, lut[code], 4);
            prev_pos = cur;
            prev_len = 1;
            ++cur;
            have_prev = true;
        } else if (code == clear) {
            width = min_code_size + 1;
            max_code1 = 1 << width;
            running = first_free;
            next_free = first_free;
            have_prev = false;
        } else if (code == eoi) {
            *error = kLzwEarlyEnd;
            return -1;
        } else if (code == next_free && have_prev && next_free < kMaxCodes) {
            // The code being defined right now: the previous string plus its
            // own first byte.
            size_t n = prev_len + 1;
            offset[next_free] = static_cast<uint32_t>(prev_pos);
            length[next_free] = static_cast<uint16_t>(n);
            ++next_free;
            copy_string(out + B * cur, out + B * prev_pos, B * (n - 1));
            std::memcpy(out + B * (cur + n - 1), out + B * prev_pos, B);
            prev_pos = cur;
            prev_len = n;
            cur += n;
        } else {
            *error = kLzwInvalidCode;
            return -1;
        }
    }
    return 0;
}

}  // namespace

int lzw_decode(int min_code_size, LzwSource source, uint8_t* out, size_t pixel_count, LzwError* error) {
    return decode<1>(min_code_size, source, out, pixel_count, nullptr, error);
}

int lzw_decode_rgb(int min_code_size, LzwSource source, const uint8_t (*lut)[4], uint8_t* out, size_t pixel_count,
                   LzwError* error) {
    return decode<3>(min_code_size, source, out, pixel_count, lut, error);
}

const char* lzw_error_text(LzwError error) {
    switch (error) {
        case kLzwOk: return "no error";
        case kLzwBadCodeSize: return "bad LZW minimum code size";
        case kLzwInvalidCode: return "corrupt image data (undefined LZW code)";
        case kLzwEarlyEnd: return "corrupt image data (end code before the last pixel)";
        case kLzwOutOfData: return "corrupt image data (data ends before the last pixel)";
        case kLzwReadFailed: return "read failed";
    }
    return "unknown error";
}
