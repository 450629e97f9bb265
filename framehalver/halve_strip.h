// Inner pieces of halve_frame: a vertical strip of the interior, one output
// row at a time.
//
// Each source row of a strip is split into its even and its odd pixels
// ("planes"), so that every sample an output channel needs lies at the
// output's own index in some plane, or three bytes before it. The weighted
// sums then run over contiguous arrays, which vectorise lane by lane with
// exactly the scalar roundings.
#pragma once

#include <cstdint>

#include "pixel_pairs.h"

constexpr int kStripPixels = 2560;  // a default-size row in one strip
// One pixel left of the strip (the odd pixel left of the first centre), and
// the slack of the vector split.
constexpr int kPlaneBytes = 3 * (kStripPixels + 1) + kPixelPairSlack;

struct RowPlanes {
    uint8_t even[kPlaneBytes];  // [3i + ch]: channel ch of pixel 2(x0 - 1 + i)
    uint8_t odd[kPlaneBytes];   // [3i + ch]: channel ch of pixel 2(x0 - 1 + i) + 1
};

// The implementations of the two steps, slowest first; all give the same
// bytes.
//   Plain   the split one pixel at a time, and the plain sums (which GCC
//           clones for AVX2 on x86-64 Linux, picked at load time).
//   Ssse3   the SSSE3 split of split_pixel_pairs, and the plain sums.
//   Avx512  the SSSE3 split, and the AVX-512 sums.
enum class HalveKernel { Plain, Ssse3, Avx512 };
constexpr HalveKernel kHalveKernels[] = {HalveKernel::Plain, HalveKernel::Ssse3, HalveKernel::Avx512};

// Whether this processor has what the kernel needs. Plain: always.
bool halve_kernel_available(HalveKernel kernel);

// The fastest kernel this processor has.
HalveKernel fastest_halve_kernel();

// "plain", "ssse3", "avx512".
const char* halve_kernel_name(HalveKernel kernel);

// Splits `pairs` pixel pairs of a source row into the planes.
void split_pixels(HalveKernel kernel, const uint8_t* row, RowPlanes* planes, int pairs);

// Weighted sums of `channels` output channels from the planes of the three
// source rows around the output row.
void weigh_strip(HalveKernel kernel, const RowPlanes* top, const RowPlanes* middle, const RowPlanes* bottom,
                 uint8_t* out, int channels, double centre, double edge, double corner);

// The implementations behind the two steps.
void weigh_channels_plain(const RowPlanes* top, const RowPlanes* middle, const RowPlanes* bottom, uint8_t* out,
                          int from, int to, double centre, double edge, double corner);
#if defined(__x86_64__) || defined(__i386__)
bool have_ssse3();
bool have_avx512();
void weigh_strip_avx512(const RowPlanes* top, const RowPlanes* middle, const RowPlanes* bottom, uint8_t* out,
                        int channels, double centre, double edge, double corner);
#endif
