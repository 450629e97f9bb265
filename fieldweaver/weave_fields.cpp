#include "weave_fields.h"

#include "pixel_pairs.h"

namespace {

// Rows are done in pieces small enough for their split planes to stay in
// the first-level cache.
constexpr int kPiecePixels = 2048;

// (a + b) / 2 of the even and odd pixel of every pair, one channel at a time.
void average_planes(const uint8_t* __restrict even, const uint8_t* __restrict odd, uint8_t* __restrict out,
                    int channels) {
    for (int j = 0; j < channels; ++j) out[j] = static_cast<uint8_t>((even[j] + odd[j]) >> 1);
}

}  // namespace

void weave_fields(const RgbImage* field0, const RgbImage* field1, RgbImage* output) {
    const int width = output->width;
    const int height = field0->height;
    const RgbImage* fields[2] = {field0, field1};
    const int64_t field_stride = static_cast<int64_t>(width) * 6;
    const int64_t output_stride = static_cast<int64_t>(width) * 3;
    uint8_t even[3 * kPiecePixels + kPixelPairSlack];
    uint8_t odd[3 * kPiecePixels + kPixelPairSlack];
    for (int i = 0; i < height; ++i) {
        for (int j = 0; j < 2; ++j) {
            const uint8_t* in = fields[j]->pixels + i * field_stride;
            uint8_t* out = output->pixels + (2 * static_cast<int64_t>(i) + j) * output_stride;
            for (int k = 0; k < width; k += kPiecePixels) {
                const int n = width - k < kPiecePixels ? width - k : kPiecePixels;
                split_pixel_pairs(in + 6 * static_cast<int64_t>(k), even, odd, n);
                average_planes(even, odd, out + 3 * static_cast<int64_t>(k), 3 * n);
            }
        }
    }
}
