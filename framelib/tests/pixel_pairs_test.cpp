#include "pixel_pairs.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"

namespace {

// Every length around the 8-pair vector blocks, against one pixel at a time,
// and nothing written past the slack.
TEST(PixelPairs, SplitMatchesThePlainFormAndStaysInItsSlack) {
    for (int pairs = 0; pairs <= 70; ++pairs) {
        std::vector<uint8_t> row = random_bytes(6 * static_cast<size_t>(pairs), static_cast<uint32_t>(pairs));
        const size_t plane = 3 * static_cast<size_t>(pairs) + kPixelPairSlack;
        std::vector<uint8_t> even(plane + 16, 0xEE), odd(plane + 16, 0xEE);
        split_pixel_pairs(row.data(), even.data(), odd.data(), pairs);
        for (int i = 0; i < pairs; ++i)
            for (int ch = 0; ch < 3; ++ch) {
                ASSERT_EQ(even[3 * i + ch], row[6 * i + ch]) << pairs;
                ASSERT_EQ(odd[3 * i + ch], row[6 * i + 3 + ch]) << pairs;
            }
        for (size_t i = plane; i < even.size(); ++i) {
            ASSERT_EQ(even[i], 0xEE) << pairs;
            ASSERT_EQ(odd[i], 0xEE) << pairs;
        }
    }
}

}  // namespace
