// Halving a 2W x 2H frame to W x H with a 3x3 Gaussian.
#pragma once

#include "rgb_image.h"

// Border pixels are copied from single source pixels: first the top and
// bottom rows, D(0, x) = S(0, 2x) and D(H-1, x) = S(2H-1, 2x); then the left
// and right columns, D(y, 0) = S(2y, 0) and D(y, W-1) = S(2y, 2W-1); later
// copies win. Every interior pixel, per channel, is
//   v = (e * edge + c * centre) + k * corner
// in doubles in exactly that grouping, truncated to a byte, where c is the
// centre sample S(2y, 2x), e the sum of its four side neighbours and k the
// sum of its four diagonal neighbours. The source must be exactly twice the
// destination in both directions; W, H >= 1. Allocates nothing.
void halve_frame(const RgbImage* source, RgbImage* destination, double centre, double edge, double corner);
