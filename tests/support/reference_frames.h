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

// Which source pixel the border pixel (y, x) of a W x H halving shows: one
// of its 2 x 2 block on the source's own edge. In the left and right columns,
// corners included, the upper one, S(2y, 0) and S(2y, 2W-1); in the rest of
// the top and bottom rows the left one, S(0, 2x) and S(2H-1, 2x). A frame one
// pixel wide shows its right column, one pixel high its bottom row.
inline void halve_border_source(int w, int h, int y, int x, int* row, int* column) {
    if (x == w - 1) {
        *row = 2 * y, *column = 2 * w - 1;
    } else if (x == 0) {
        *row = 2 * y, *column = 0;
    } else if (y == h - 1) {
        *row = 2 * h - 1, *column = 2 * x;
    } else {
        *row = 0, *column = 2 * x;
    }
}

// Border pixels as above; every interior pixel the sum in doubles in its
// fixed grouping, truncated.
inline void halve_reference(const RgbImage* s, RgbImage* d, double centre, double edge, double corner) {
    const int w = d->width, h = d->height;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (y > 0 && y < h - 1 && x > 0 && x < w - 1) continue;
            int r, c;
            halve_border_source(w, h, y, x, &r, &c);
            uint8_t red, green, blue;
            image_get_pixel(s, r, c, &red, &green, &blue);
            image_put_pixel(d, y, x, red, green, blue);
        }
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
