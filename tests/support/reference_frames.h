// The pixel work in its plainest form, one pixel and one channel at a time,
// as the oracle for the optimised code.
#pragma once

#include <cstdint>
#include <vector>

#include "rgb_image.h"

// Field rows to even and odd output rows, each pixel the truncated average
// of two neighbours.
inline void weave_reference(const RgbImage* f0, const RgbImage* f1, RgbImage* out) {
    const RgbImage* fields[2] = {f0, f1};
    for (int i = 0; i < f0->height; ++i)
        for (int j = 0; j < 2; ++j)
            for (int k = 0; k < out->width; ++k) {
                uint8_t a[3], b[3];
                image_get_pixel(fields[j], i, 2 * k, &a[0], &a[1], &a[2]);
                image_get_pixel(fields[j], i, 2 * k + 1, &b[0], &b[1], &b[2]);
                image_put_pixel(out, 2 * i + j, k, static_cast<uint8_t>((a[0] + b[0]) / 2),
                                static_cast<uint8_t>((a[1] + b[1]) / 2), static_cast<uint8_t>((a[2] + b[2]) / 2));
            }
}

// Three passes, later writes win; the interior sum in doubles in its fixed
// grouping, truncated.
inline void halve_reference(const RgbImage* s, RgbImage* d, double centre, double edge, double corner) {
    const int w = d->width, h = d->height;
    auto copy = [&](int r, int c, int y, int x) {
        uint8_t red, green, blue;
        image_get_pixel(s, r, c, &red, &green, &blue);
        image_put_pixel(d, y, x, red, green, blue);
    };
    for (int x = 0; x < w; ++x) {
        copy(0, 2 * x, 0, x);
        copy(2 * h - 1, 2 * x, h - 1, x);
    }
    for (int y = 0; y < h; ++y) {
        copy(2 * y, 0, y, 0);
        copy(2 * y, 2 * w - 1, y, w - 1);
    }
    if (w < 3 || h < 3) return;
    for (int y = 1; y <= h - 2; ++y)
        for (int x = 1; x <= w - 2; ++x) {
            uint8_t out[3];
            for (int ch = 0; ch < 3; ++ch) {
                auto S = [&](int r, int c) {
                    return static_cast<int>(s->pixels[(static_cast<int64_t>(r) * s->width + c) * 3 + ch]);
                };
                int e = S(2 * y - 1, 2 * x) + S(2 * y, 2 * x - 1) + S(2 * y, 2 * x + 1) + S(2 * y + 1, 2 * x);
                int k = S(2 * y - 1, 2 * x - 1) + S(2 * y - 1, 2 * x + 1) + S(2 * y + 1, 2 * x - 1) +
                        S(2 * y + 1, 2 * x + 1);
                int c = S(2 * y, 2 * x);
                double v = (static_cast<double>(e) * edge + static_cast<double>(c) * centre) +
                           static_cast<double>(k) * corner;
                out[ch] = static_cast<uint8_t>(static_cast<int>(v));
            }
            image_put_pixel(d, y, x, out[0], out[1], out[2]);
        }
}
