#include "packbits_encoder.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Offset of the first byte starting three equal bytes, or n if there is none.
// Shorter repeats stay in literals: a repeat of two saves nothing there.
size_t find_triple(const unsigned char* p, size_t n) {
    size_t i = 0;
#if defined(__SSE2__)
    // Noisy rows are mostly literal, so this scan is the encoder's hot loop.
    for (; i + 18 <= n; i += 16) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
        __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 2));
        int mask = _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, b), _mm_cmpeq_epi8(b, c)));
        if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    for (; i + 2 < n; ++i) {
        if (p[i] == p[i + 1] && p[i] == p[i + 2]) return i;
    }
    return n;
}

// How many of the n bytes at p equal p[0], counting p[0].
size_t run_length(const unsigned char* p, size_t n) {
    size_t i = 1;
#if defined(__SSE2__)
    const __m128i v = _mm_set1_epi8(static_cast<char>(p[0]));
    for (; i + 16 <= n; i += 16) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, v)));
        if (mask != 0xFFFF) return i + static_cast<size_t>(__builtin_ctz(~mask));
    }
#endif
    while (i < n && p[i] == p[0]) ++i;
    return i;
}

unsigned char* put_literals(const unsigned char* p, size_t n, unsigned char* out) {
    // Full chunks get a fixed-size copy: the compiler turns a variable one of
    // at most 128 bytes into "rep movs", which is slow at this size.
    for (; n >= 128; n -= 128, p += 128, out += 128) {
        *out++ = 127;
        std::memcpy(out, p, 128);
    }
    if (n > 0) {
        *out++ = static_cast<unsigned char>(n - 1);
        std::memcpy(out, p, n);
        out += n;
    }
    return out;
}

}  // namespace

size_t packbits_encode_row(const unsigned char* in, size_t n, unsigned char* out) {
    unsigned char* o = out;
    size_t literal = 0;  // start of the bytes not yet written
    size_t pos = 0;
    while (pos < n) {
        size_t run = pos + find_triple(in + pos, n - pos);
        if (run >= n) break;
        size_t len = run_length(in + run, n - run);
        o = put_literals(in + literal, run - literal, o);
        while (len >= 2) {
            size_t k = len < 128 ? len : 128;
            *o++ = static_cast<unsigned char>(257 - k);  // -(k - 1) as a signed byte
            *o++ = in[run];
            run += k;
            len -= k;
        }
        // A single byte left over from a long run opens the next literal.
        literal = run;
        pos = run + len;
    }
    o = put_literals(in + literal, n - literal, o);
    return static_cast<size_t>(o - out);
}
