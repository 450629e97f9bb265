#include "weave_fields.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "reference_frames.h"

namespace {

struct Frame {
    std::vector<uint8_t> bytes;
    RgbImage image;
    Frame(int width, int height) : bytes(static_cast<size_t>(width) * height * 3), image{width, height, bytes.data()} {}
};

TEST(WeaveFields, MatchesThePlainFormula) {
    std::mt19937 rng(5);
    for (int w : {1, 2, 3, 7, 64, 721})
        for (int h : {1, 2, 5}) {
            Frame f0(2 * w, h), f1(2 * w, h), out(w, 2 * h);
            for (uint8_t& b : f0.bytes) b = static_cast<uint8_t>(rng());
            for (uint8_t& b : f1.bytes) b = static_cast<uint8_t>(rng());
            std::memset(out.bytes.data(), 0x5A, out.bytes.size());
            weave_fields(&f0.image, &f1.image, &out.image);
            Frame expected(w, 2 * h);
            weave_reference(&f0.image, &f1.image, &expected.image);
            ASSERT_EQ(out.bytes, expected.bytes) << w << " x " << h;
        }
}

TEST(WeaveFields, AveragesTruncateAndRowsInterleave) {
    Frame f0(2, 2), f1(2, 2), out(1, 4);
    const uint8_t field0[] = {10, 20, 30, 20, 40, 60, 255, 0, 1, 254, 1, 2};
    const uint8_t field1[] = {255, 255, 255, 255, 255, 255, 0, 0, 0, 1, 1, 1};
    std::memcpy(f0.bytes.data(), field0, sizeof field0);
    std::memcpy(f1.bytes.data(), field1, sizeof field1);
    weave_fields(&f0.image, &f1.image, &out.image);
    EXPECT_EQ(out.bytes, std::vector<uint8_t>({15, 30, 45, 255, 255, 255, 254, 0, 1, 0, 0, 0}));
}

}  // namespace
