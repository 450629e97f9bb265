// halve_frame with a chosen implementation, so that tests can hold every
// one of them to the same bytes and the benchmark can time each.
#pragma once

#include "halve_strip.h"
#include "rgb_image.h"

void halve_frame_with(HalveKernel kernel, const RgbImage* source, RgbImage* destination, double centre, double edge,
                      double corner);
