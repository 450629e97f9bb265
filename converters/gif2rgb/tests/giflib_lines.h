// giflib's own LZW decoder (DGifGetLine, a row at a time) behind the frame
// decoder's GifLzw interface: the reference our decoder is compared with in
// the tests, the differential fuzzer and the benchmark. Never part of gif2rgb.
#pragma once

#include "gif_frame_decode.h"

extern const GifLzw kGifLzwGiflibLines;
