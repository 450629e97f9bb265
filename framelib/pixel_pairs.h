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
// 2i + 1, for i < pairs. Reads exactly 6 x pairs bytes of the row.
void split_pixel_pairs(const uint8_t* row, uint8_t* even, uint8_t* odd, int pairs);

// The same, one pixel at a time; the reference for the vector form.
void split_pixel_pairs_plain(const uint8_t* row, uint8_t* even, uint8_t* odd, int pairs);

// Whether split_pixel_pairs uses vector shuffles on this processor.
bool split_pixel_pairs_is_vectorised();
