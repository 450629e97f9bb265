#include "halve_frame.h"

#include "halve_frame_kernel.h"

namespace {

void copy_pixel(const RgbImage* source, int row, int column, RgbImage* destination, int y, int x) {
    uint8_t r, g, b;
    image_get_pixel(source, row, column, &r, &g, &b);
    image_put_pixel(destination, y, x, r, g, b);
}

void copy_borders(const RgbImage* source, RgbImage* destination) {
    const int w = destination->width;
    const int h = destination->height;
    for (int x = 0; x < w; ++x) {
        copy_pixel(source, 0, 2 * x, destination, 0, x);
        copy_pixel(source, 2 * h - 1, 2 * x, destination, h - 1, x);
    }
    for (int y = 0; y < h; ++y) {
        copy_pixel(source, 2 * y, 0, destination, y, 0);
        copy_pixel(source, 2 * y, 2 * w - 1, destination, y, w - 1);
    }
}

// Strip by strip, top to bottom. The bottom source row of one output row is
// the top row of the next, so its planes are kept rather than split again.
void halve_interior(HalveKernel kernel, const RgbImage* source, RgbImage* destination, double centre, double edge,
                    double corner) {
    const int w = destination->width;
    const int h = destination->height;
    const int64_t source_stride = static_cast<int64_t>(source->width) * 3;
    const int64_t destination_stride = static_cast<int64_t>(w) * 3;
    RowPlanes planes[3];
    for (int x0 = 1; x0 < w - 1; x0 += kStripPixels) {
        const int n = (w - 1 - x0 < kStripPixels) ? w - 1 - x0 : kStripPixels;
        const uint8_t* strip = source->pixels + 6 * static_cast<int64_t>(x0 - 1);
        RowPlanes* top = &planes[0];
        RowPlanes* middle = &planes[1];
        RowPlanes* bottom = &planes[2];
        split_pixels(kernel, strip + source_stride, top, n + 1);
        for (int y = 1; y < h - 1; ++y) {
            split_pixels(kernel, strip + 2 * y * source_stride, middle, n + 1);
            split_pixels(kernel, strip + (2 * y + 1) * source_stride, bottom, n + 1);
            weigh_strip(kernel, top, middle, bottom, destination->pixels + y * destination_stride + 3 * x0, 3 * n,
                        centre, edge, corner);
            RowPlanes* spent = top;
            top = bottom;
            bottom = spent;
        }
    }
}

}  // namespace

void halve_frame_with(HalveKernel kernel, const RgbImage* source, RgbImage* destination, double centre, double edge,
                      double corner) {
    copy_borders(source, destination);
    if (destination->width >= 3 && destination->height >= 3)
        halve_interior(kernel, source, destination, centre, edge, corner);
}

void halve_frame(const RgbImage* source, RgbImage* destination, double centre, double edge, double corner) {
    static const HalveKernel best = fastest_halve_kernel();
    halve_frame_with(best, source, destination, centre, edge, corner);
}
