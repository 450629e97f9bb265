// Splitting a row of RGB pixels into its even and its odd pixels.
//
// Both frame programs work on pixel pairs (2k, 2k + 1): halving a row is a
// byte-for-byte operation on the two split planes, which vectorises where
// the interleaved row does not.
#pragma once

#include <cstdint>

// Bytes past 3 x pairs that split_pixel_pairs may write in each plane.
constexpr int kPixelPairSlack = 16;

// even[3i + ch] = channel ch of pixel 2i, odd[3i + ch] = channel ch of pixel
// 2i + 1, for i < pairs. Reads exactly 6 x pairs bytes of the row. The SSSE3
// form where the processor has SSSE3, else the plain one.
void split_pixel_pairs(const uint8_t* row, uint8_t* even, uint8_t* odd, int pairs);

// The same, one pixel at a time; writes nothing past 3 x pairs.
void split_pixel_pairs_plain(const uint8_t* row, uint8_t* even, uint8_t* odd, int pairs);

#if defined(__x86_64__) || defined(__i386__)
// The same with SSSE3 shuffles, 8 pairs a step; only for a processor with
// SSSE3.
void split_pixel_pairs_ssse3(const uint8_t* row, uint8_t* even, uint8_t* odd, int pairs);
#endif
