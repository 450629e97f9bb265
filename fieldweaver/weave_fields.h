// Weaving two fields of 2W x H into one frame of W x 2H.
#pragma once

#include "rgb_image.h"

// Row i of field 0 becomes output row 2i, row i of field 1 output row 2i + 1,
// each halved horizontally: every output channel is the truncated average of
// two neighbouring field pixels. W is the output's width, H the fields'
// height; the buffers must have those sizes.
void weave_fields(const RgbImage* field0, const RgbImage* field1, RgbImage* output);
