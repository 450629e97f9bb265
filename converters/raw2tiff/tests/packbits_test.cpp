// Our PackBits rows against libtiff's decoder.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "packbits_encoder.h"
#include "tiff_check.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Encodes rows of row_bytes each, then checks that the codes are well formed
// and that libtiff decodes them row by row into the same bytes.
void expect_round_trip(const Bytes& data, size_t row_bytes, const std::string& what) {
    SCOPED_TRACE(what);
    size_t rows = data.size() / row_bytes;
    Bytes packed(rows * packbits_bound(row_bytes));
    size_t size = 0;
    for (size_t r = 0; r < rows; ++r) {
        size_t n = packbits_encode_row(&data[r * row_bytes], row_bytes, &packed[size]);
        ASSERT_LE(n, packbits_bound(row_bytes));
        size += n;
    }
    ASSERT_EQ(packbits_well_formed(packed.data(), size, row_bytes, rows), 0);
    Bytes decoded;
    std::string complaints;
    ASSERT_EQ(libtiff_unpack(packed.data(), size, row_bytes, rows, &decoded, &complaints), 0) << complaints;
    EXPECT_EQ(complaints, "");
    EXPECT_TRUE(decoded == data);
}

// Runs of every length near the code limits, each in its own byte value,
// so a miscounted run shows as shifted data.
TEST(PackBits, RunsOfEveryCriticalLength) {
    const size_t lengths[] = {1, 2, 3, 4, 5, 126, 127, 128, 129, 130, 131, 255, 256, 257, 258, 259, 385};
    for (size_t before : {size_t(0), size_t(1), size_t(2), size_t(127), size_t(128), size_t(129)}) {
        for (size_t len : lengths) {
            Bytes row;
            for (size_t i = 0; i < before; ++i) row.push_back(static_cast<unsigned char>(i * 7 + 1));
            row.insert(row.end(), len, 0xAA);
            row.push_back(0x55);
            expect_round_trip(row, row.size(), std::to_string(before) + " literal then run of " + std::to_string(len));
            row.pop_back();  // the run ends the row
            expect_round_trip(row, row.size(),
                              std::to_string(before) + " literal then final run of " + std::to_string(len));
        }
    }
}

TEST(PackBits, PatternsAcrossRowsAndSizes) {
    std::mt19937 rng(12345);
    const size_t widths[] = {1, 2, 3, 16, 17, 18, 19, 33, 127, 128, 129, 256, 1000, 7680};
    for (size_t width : widths) {
        const size_t rows = 3;
        Bytes same(width * rows, 0x42), alternating(width * rows), random(width * rows), two_values(width * rows);
        for (size_t i = 0; i < width * rows; ++i) {
            alternating[i] = (i & 1) ? 0x00 : 0xFF;
            random[i] = static_cast<unsigned char>(rng());
            two_values[i] = static_cast<unsigned char>(rng() % 5 == 0);  // short runs of random length
        }
        std::string w = " width " + std::to_string(width);
        // A constant image runs across every row end: each row must stop its run.
        expect_round_trip(same, width, "all same" + w);
        expect_round_trip(alternating, width, "alternating" + w);
        expect_round_trip(random, width, "random" + w);
        expect_round_trip(two_values, width, "two values" + w);
    }
}

TEST(PackBits, LongRunsShrink) {
    Bytes row(7680, 0);
    Bytes packed(packbits_bound(row.size()));
    // 60 full repeat codes of two bytes each.
    EXPECT_EQ(packbits_encode_row(row.data(), row.size(), packed.data()), 120u);
}

}  // namespace
