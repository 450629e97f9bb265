// The AVX-512 form of the weighted sums, compiled for that unit only and
// used where the processor has it, and the processor checks of the kernels.
#include <immintrin.h>

// GCC 12 warns about the deliberately undefined pass-through operands inside
// its own AVX-512 intrinsics headers once they are inlined here.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "halve_strip.h"

bool have_ssse3() {
    static const bool have = __builtin_cpu_supports("ssse3");
    return have;
}

bool have_avx512() {
    static const bool have = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    return have;
}

#define LOAD_WIDE(p) _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)))

// Sixteen channels a step: exact integer sums in 32-bit lanes, then the same
// three products and two sums as the plain loop, eight doubles a vector.
__attribute__((target("avx512f,avx512bw"))) void weigh_strip_avx512(const RowPlanes* __restrict top,
                                                                    const RowPlanes* __restrict middle,
                                                                    const RowPlanes* __restrict bottom,
                                                                    uint8_t* __restrict out, int channels,
                                                                    double centre, double edge, double corner) {
    const uint8_t* te = top->even + 3;
    const uint8_t* me = middle->even + 3;
    const uint8_t* be = bottom->even + 3;
    const uint8_t* to = top->odd;
    const uint8_t* mo = middle->odd;
    const uint8_t* bo = bottom->odd;
    const __m512d wc = _mm512_set1_pd(centre);
    const __m512d we = _mm512_set1_pd(edge);
    const __m512d wk = _mm512_set1_pd(corner);
    int j = 0;
    for (; j + 16 <= channels; j += 16) {
        __m512i c = LOAD_WIDE(me + j);
        __m512i e = _mm512_add_epi32(_mm512_add_epi32(LOAD_WIDE(te + j), LOAD_WIDE(be + j)),
                                     _mm512_add_epi32(LOAD_WIDE(mo + j), LOAD_WIDE(mo + j + 3)));
        __m512i k = _mm512_add_epi32(_mm512_add_epi32(LOAD_WIDE(to + j), LOAD_WIDE(to + j + 3)),
                                     _mm512_add_epi32(LOAD_WIDE(bo + j), LOAD_WIDE(bo + j + 3)));
        __m256i r[2];
        for (int half = 0; half < 2; ++half) {
            __m256i ch = half ? _mm512_extracti64x4_epi64(c, 1) : _mm512_castsi512_si256(c);
            __m256i eh = half ? _mm512_extracti64x4_epi64(e, 1) : _mm512_castsi512_si256(e);
            __m256i kh = half ? _mm512_extracti64x4_epi64(k, 1) : _mm512_castsi512_si256(k);
            __m512d v = _mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(_mm512_cvtepi32_pd(eh), we),
                                                    _mm512_mul_pd(_mm512_cvtepi32_pd(ch), wc)),
                                      _mm512_mul_pd(_mm512_cvtepi32_pd(kh), wk));
            r[half] = _mm512_cvttpd_epi32(v);
        }
        __m512i all = _mm512_inserti64x4(_mm512_castsi256_si512(r[0]), r[1], 1);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), _mm512_cvtepi32_epi8(all));
    }
    weigh_channels_plain(top, middle, bottom, out, j, channels, centre, edge, corner);
}
