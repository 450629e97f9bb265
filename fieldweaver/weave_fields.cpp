#include "weave_fields.h"

void weave_fields(const RgbImage* field0, const RgbImage* field1, RgbImage* output) {
    const int width = output->width;
    const int height = field0->height;
    const RgbImage* fields[2] = {field0, field1};
    for (int i = 0; i < height; ++i) {
        for (int j = 0; j < 2; ++j) {
            const RgbImage* field = fields[j];
            for (int k = 0; k < width; ++k) {
                uint8_t r0, g0, b0, r1, g1, b1;
                image_get_pixel(field, i, 2 * k, &r0, &g0, &b0);
                image_get_pixel(field, i, 2 * k + 1, &r1, &g1, &b1);
                image_put_pixel(output, 2 * i + j, k, static_cast<uint8_t>((r0 + r1) / 2),
                                static_cast<uint8_t>((g0 + g1) / 2), static_cast<uint8_t>((b0 + b1) / 2));
            }
        }
    }
}
