#include "pixel_pairs.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PAIRS_X86 1
#endif

void split_pixel_pairs_plain(const uint8_t* row, uint8_t* even, uint8_t* odd, int pairs) {
    for (int i = 0; i < pairs; ++i) {
        std::memcpy(even + 3 * i, row + 6 * i, 3);
        std::memcpy(odd + 3 * i, row + 6 * i + 3, 3);
    }
}

#if PAIRS_X86
namespace {

// Shuffle masks that move 16 pixels (48 bytes, three vectors) into 24
// even-pixel bytes and 24 odd-pixel bytes.
struct SplitMasks {
    alignas(16) uint8_t m[4][3][16];  // [output vector][input vector][lane]
};

SplitMasks make_split_masks() {
    SplitMasks masks;
    for (int out = 0; out < 4; ++out) {  // even 0-15, even 16-23, odd 0-15, odd 16-23
        for (int lane = 0; lane < 16; ++lane) {
            int plane_index = (out % 2) * 16 + lane;
            int source = 6 * (plane_index / 3) + plane_index % 3 + (out >= 2 ? 3 : 0);
            for (int in = 0; in < 3; ++in) {
                bool here = plane_index < 24 && source / 16 == in;
                masks.m[out][in][lane] = here ? static_cast<uint8_t>(source % 16) : 0x80;
            }
        }
    }
    return masks;
}

const SplitMasks kSplitMasks = make_split_masks();

}  // namespace

__attribute__((target("ssse3"))) void split_pixel_pairs_ssse3(const uint8_t* row, uint8_t* even, uint8_t* odd,
                                                              int pairs) {
    const __m128i* m = reinterpret_cast<const __m128i*>(kSplitMasks.m);
    int i = 0;
    for (; i + 8 <= pairs; i += 8) {
        const uint8_t* p = row + 6 * i;
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
        __m128i v[4];
        for (int out = 0; out < 4; ++out) {
            v[out] = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, _mm_load_si128(m + 3 * out)),
                                               _mm_shuffle_epi8(b, _mm_load_si128(m + 3 * out + 1))),
                                  _mm_shuffle_epi8(c, _mm_load_si128(m + 3 * out + 2)));
        }
        // The 8-byte halves are stored as 16 bytes; the next block overwrites
        // the excess, or it lands in the planes' slack.
        _mm_storeu_si128(reinterpret_cast<__m128i*>(even + 3 * i), v[0]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(even + 3 * i + 16), v[1]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(odd + 3 * i), v[2]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(odd + 3 * i + 16), v[3]);
    }
    split_pixel_pairs_plain(row + 6 * i, even + 3 * i, odd + 3 * i, pairs - i);
}

namespace {
const bool kHaveSsse3 = __builtin_cpu_supports("ssse3");
}  // namespace
#endif

void split_pixel_pairs(const uint8_t* row, uint8_t* even, uint8_t* odd, int pairs) {
#if PAIRS_X86
    if (kHaveSsse3) {
        split_pixel_pairs_ssse3(row, even, odd, pairs);
        return;
    }
#endif
    split_pixel_pairs_plain(row, even, odd, pairs);
}
