#include "halve_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gaussian_weights.h"
#include "halve_frame_kernel.h"
#include "reference_frames.h"

namespace {

struct Frame {
    std::vector<uint8_t> bytes;
    RgbImage image;
    Frame(int width, int height) : bytes(static_cast<size_t>(width) * height * 3), image{width, height, bytes.data()} {}
    uint8_t& at(int row, int column, int channel) {
        return bytes[(static_cast<size_t>(row) * image.width + column) * 3 + channel];
    }
};

struct Weights {
    double centre, edge, corner;
    Weights() { gaussian_weights(0.75f, &centre, &edge, &corner); }
};

std::vector<HalveKernel> kernels() {
    std::vector<HalveKernel> list;
    for (HalveKernel kernel : kHalveKernels)
        if (halve_kernel_available(kernel)) list.push_back(kernel);
    return list;
}

// Every kernel, and halve_frame itself, against the reference; the
// destination starts as garbage so that an unwritten pixel shows.
void expect_matches_reference(const Frame& source, int w, int h, const std::string& what) {
    Weights k;
    Frame expected(w, h);
    halve_reference(&source.image, &expected.image, k.centre, k.edge, k.corner);
    for (HalveKernel kernel : kernels()) {
        Frame got(w, h);
        std::memset(got.bytes.data(), 0x5A, got.bytes.size());
        halve_frame_with(kernel, &source.image, &got.image, k.centre, k.edge, k.corner);
        ASSERT_EQ(got.bytes, expected.bytes)
            << what << " " << w << " x " << h << " kernel " << halve_kernel_name(kernel);
    }
    Frame got(w, h);
    halve_frame(&source.image, &got.image, k.centre, k.edge, k.corner);
    ASSERT_EQ(got.bytes, expected.bytes) << what;
}

TEST(HalveFrame, MatchesTheReferenceOnRandomFramesOfEveryShape) {
    std::mt19937 rng(11);
    const int widths[] = {1,
                          2,
                          3,
                          4,
                          5,
                          8,
                          9,
                          17,
                          31,
                          kStripPixels,
                          kStripPixels + 1,
                          kStripPixels + 2,
                          kStripPixels + 3,
                          2 * kStripPixels + 5};
    const int heights[] = {1, 2, 3, 4, 7};
    for (int w : widths)
        for (int h : heights) {
            Frame source(2 * w, 2 * h);
            for (uint8_t& b : source.bytes) b = static_cast<uint8_t>(rng());
            expect_matches_reference(source, w, h, "random");
        }
}

// Frames whose sums land next to whole numbers, where a last-bit difference
// in any product or sum changes a byte: flat areas with one-step ripples and
// extreme values.
TEST(HalveFrame, MatchesTheReferenceWhereSumsLandNextToIntegers) {
    std::mt19937 rng(12);
    for (int trial = 0; trial < 40; ++trial) {
        const int w = 40 + trial, h = 9;
        Frame source(2 * w, 2 * h);
        int base = static_cast<int>(rng() % 256);
        for (uint8_t& b : source.bytes) {
            int v = base;
            switch (rng() % 8) {
                case 0: v = base + 1; break;
                case 1: v = base - 1; break;
                case 2: v = (rng() % 2) ? 0 : 255; break;
                default: break;
            }
            b = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
        }
        expect_matches_reference(source, w, h, "near-integer");
    }
}

TEST(HalveFrame, UniformSourceComesOutUnchangedButForEightValues) {
    const int w = 40, h = 5;
    Weights k;
    std::vector<int> lower;
    for (int v = 0; v < 256; ++v) {
        Frame source(2 * w, 2 * h), destination(w, h);
        std::memset(source.bytes.data(), v, source.bytes.size());
        halve_frame(&source.image, &destination.image, k.centre, k.edge, k.corner);
        EXPECT_EQ(destination.at(0, 0, 0), v);  // border
        int inside = destination.at(2, 20, 1);
        ASSERT_TRUE(inside == v || inside == v - 1) << v;
        if (inside == v - 1) lower.push_back(v);
        for (int i = 0; i < w * h * 3; ++i) {
            int y = i / (3 * w), x = (i / 3) % w;
            bool border = y == 0 || y == h - 1 || x == 0 || x == w - 1;
            ASSERT_EQ(destination.bytes[i], border ? v : inside) << v;
        }
    }
    EXPECT_EQ(lower, std::vector<int>({59, 99, 118, 179, 198, 217, 236, 243}));
}

TEST(HalveFrame, ImpulseResponses) {
    const int w = 8, h = 8;
    Weights k;
    struct Case {
        int row, column;
        int expected;
        std::vector<std::pair<int, int>> hit;
    } cases[] = {
        {6, 8, 76, {{3, 4}}},          // centre of one block
        {6, 7, 31, {{3, 3}, {3, 4}}},  // side neighbour of two
        {5, 8, 31, {{2, 4}, {3, 4}}},
        {5, 7, 12, {{2, 3}, {2, 4}, {3, 3}, {3, 4}}},  // corner of four
    };
    for (const Case& c : cases) {
        for (int channel = 0; channel < 3; ++channel) {
            Frame source(2 * w, 2 * h), destination(w, h);
            source.at(c.row, c.column, channel) = 255;
            halve_frame(&source.image, &destination.image, k.centre, k.edge, k.corner);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    for (int ch = 0; ch < 3; ++ch) {
                        bool is_hit = ch == channel &&
                                      std::find(c.hit.begin(), c.hit.end(), std::make_pair(y, x)) != c.hit.end();
                        ASSERT_EQ(destination.at(y, x, ch), is_hit ? c.expected : 0)
                            << "impulse at " << c.row << "," << c.column << " output " << y << "," << x;
                    }
        }
    }
}

// Which source pixel each border pixel shows, for the sizes without an
// interior and one with; halve_frame and the reference alike. Pixels are
// numbered by their source position; {-1, -1} is an interior pixel.
TEST(HalveFrame, SmallSizesFollowTheBorderPasses) {
    struct Case {
        int w, h;
        std::vector<std::pair<int, int>> source_of;
    } cases[] = {
        {1, 1, {{0, 1}}},
        {1, 3, {{0, 1}, {2, 1}, {4, 1}}},
        {3, 1, {{0, 0}, {1, 2}, {0, 5}}},
        {3, 2, {{0, 0}, {0, 2}, {0, 5}, {2, 0}, {3, 2}, {2, 5}}},
        {2, 2, {{0, 0}, {0, 3}, {2, 0}, {2, 3}}},
        {2, 3, {{0, 0}, {0, 3}, {2, 0}, {2, 3}, {4, 0}, {4, 3}}},
        {4, 3, {{0, 0}, {0, 2}, {0, 4}, {0, 7}, {2, 0}, {-1, -1}, {-1, -1}, {2, 7}, {4, 0}, {5, 2}, {5, 4}, {4, 7}}},
    };
    using Halve = void (*)(const RgbImage*, RgbImage*, double, double, double);
    const std::pair<const char*, Halve> forms[] = {{"halve_frame", halve_frame}, {"reference", halve_reference}};
    Weights k;
    for (const Case& c : cases)
        for (const auto& [name, halve] : forms) {
            Frame source(2 * c.w, 2 * c.h), destination(c.w, c.h);
            for (int r = 0; r < 2 * c.h; ++r)
                for (int col = 0; col < 2 * c.w; ++col) source.at(r, col, 0) = static_cast<uint8_t>(16 * r + col);
            halve(&source.image, &destination.image, k.centre, k.edge, k.corner);
            for (int y = 0; y < c.h; ++y)
                for (int x = 0; x < c.w; ++x) {
                    auto [r, col] = c.source_of[static_cast<size_t>(y) * c.w + x];
                    if (r < 0) continue;
                    EXPECT_EQ(destination.at(y, x, 0), 16 * r + col)
                        << name << " " << c.w << " x " << c.h << " at " << y << "," << x;
                }
        }
}

}  // namespace
