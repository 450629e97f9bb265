#include "halve_strip.h"

#if defined(__x86_64__) || defined(__i386__)
#define HALVE_X86 1
#endif

// Copies of the plain loop for AVX2 machines, picked at load time. Vector
// lanes round exactly as scalar doubles do, and contraction into FMA is off
// for the whole build, so every copy gives the same bytes.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
#define HALVE_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define HALVE_CLONES
#endif

// The sums for channels [from, to): c is the centre sample, e the four side
// neighbours, k the four diagonal ones; v = (e * edge + c * centre) + k * corner.
HALVE_CLONES
void weigh_channels_plain(const RowPlanes* __restrict top, const RowPlanes* __restrict middle,
                          const RowPlanes* __restrict bottom, uint8_t* __restrict out, int from, int to, double centre,
                          double edge, double corner) {
    const uint8_t* te = top->even + 3;
    const uint8_t* me = middle->even + 3;
    const uint8_t* be = bottom->even + 3;
    const uint8_t* tod = top->odd;
    const uint8_t* mo = middle->odd;
    const uint8_t* bo = bottom->odd;
    for (int j = from; j < to; ++j) {
        const int c = me[j];
        const int e = te[j] + be[j] + mo[j] + mo[j + 3];
        const int k = tod[j] + tod[j + 3] + bo[j] + bo[j + 3];
        const double v = (static_cast<double>(e) * edge + static_cast<double>(c) * centre) +
                         static_cast<double>(k) * corner;
        out[j] = static_cast<uint8_t>(static_cast<int>(v));
    }
}

bool halve_kernel_available(HalveKernel kernel) {
    switch (kernel) {
        case HalveKernel::Plain: return true;
#if HALVE_X86
        case HalveKernel::Ssse3: return have_ssse3();
        case HalveKernel::Avx512: return have_ssse3() && have_avx512();
#else
        case HalveKernel::Ssse3:
        case HalveKernel::Avx512: return false;
#endif
    }
    return false;
}

HalveKernel fastest_halve_kernel() {
    HalveKernel best = HalveKernel::Plain;
    for (HalveKernel kernel : kHalveKernels)
        if (halve_kernel_available(kernel)) best = kernel;
    return best;
}

const char* halve_kernel_name(HalveKernel kernel) {
    switch (kernel) {
        case HalveKernel::Plain: return "plain";
        case HalveKernel::Ssse3: return "ssse3";
        case HalveKernel::Avx512: return "avx512";
    }
    return "?";
}

void split_pixels(HalveKernel kernel, const uint8_t* row, RowPlanes* planes, int pairs) {
#if HALVE_X86
    if (kernel != HalveKernel::Plain) {
        split_pixel_pairs_ssse3(row, planes->even, planes->odd, pairs);
        return;
    }
#endif
    (void)kernel;
    split_pixel_pairs_plain(row, planes->even, planes->odd, pairs);
}

void weigh_strip(HalveKernel kernel, const RowPlanes* top, const RowPlanes* middle, const RowPlanes* bottom,
                 uint8_t* out, int channels, double centre, double edge, double corner) {
#if HALVE_X86
    if (kernel == HalveKernel::Avx512) {
        weigh_strip_avx512(top, middle, bottom, out, channels, centre, edge, corner);
        return;
    }
#endif
    (void)kernel;
    weigh_channels_plain(top, middle, bottom, out, 0, channels, centre, edge, corner);
}
