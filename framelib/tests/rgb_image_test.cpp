#include "rgb_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

struct Image {
    RgbImage record;
    Image(int width, int height) : record{width, height, nullptr} { EXPECT_EQ(image_alloc(&record), 0); }
    ~Image() { image_free(&record); }
    std::vector<uint8_t> bytes() const {
        return std::vector<uint8_t>(record.pixels, record.pixels + image_byte_count(&record));
    }
    void fill(const std::vector<uint8_t>& b) { std::memcpy(record.pixels, b.data(), b.size()); }
};

std::vector<uint8_t> concat(const std::string& header, const std::vector<uint8_t>& raster) {
    std::vector<uint8_t> all(header.begin(), header.end());
    all.insert(all.end(), raster.begin(), raster.end());
    return all;
}

TEST(RgbImage, AllocGivesZeroedRasterAndRefusesInvalidSizes) {
    Image image(7, 5);
    EXPECT_EQ(image.bytes(), std::vector<uint8_t>(7 * 5 * 3, 0));

    struct Case {
        int width, height;
    } invalid[] = {{0, 5}, {5, 0}, {-1, 5}, {46341, 46341}, {INT32_MAX, 1}};
    for (const Case& c : invalid) {
        RgbImage record{c.width, c.height, reinterpret_cast<uint8_t*>(1)};
        EXPECT_EQ(image_alloc(&record), -1) << c.width << " x " << c.height;
        EXPECT_EQ(record.pixels, nullptr);
        image_free(&record);  // a failed allocation frees nothing
    }
    RgbImage largest{715827882, 1, nullptr};  // exactly 2147483646 bytes: allowed
    EXPECT_EQ(image_byte_count(&largest), 2147483646);
}

TEST(RgbImage, PpmHasTheFixedHeaderAndTheRaster) {
    ScratchDir dir;
    struct Case {
        int width, height;
        std::string header;
    } cases[] = {{1, 1, "P6\n1 1 255\n"}, {720, 540, "P6\n720 540 255\n"}, {2560, 1440, "P6\n2560 1440 255\n"}};
    for (const Case& c : cases) {
        Image image(c.width, c.height);
        std::vector<uint8_t> raster = random_bytes(static_cast<size_t>(c.width) * c.height * 3, c.width);
        image.fill(raster);
        ASSERT_EQ(image_write_ppm((dir / "x.ppm").c_str(), &image.record), 0);
        EXPECT_EQ(read_bytes(dir / "x.ppm"), concat(c.header, raster)) << c.header;
    }
}

TEST(RgbImage, RawRoundTripAndOverwrite) {
    ScratchDir dir;
    std::string path = dir / "x.raw";
    write_bytes(path, std::vector<uint8_t>(1000, 0xAA));  // longer old content must vanish
    Image image(4, 3);
    std::vector<uint8_t> raster = random_bytes(36, 1);
    image.fill(raster);
    ASSERT_EQ(image_write_raw(path.c_str(), &image.record), 0);
    EXPECT_EQ(read_bytes(path), raster);

    Image back(4, 3);
    ASSERT_EQ(image_read_raw(path.c_str(), &back.record), 0);
    EXPECT_EQ(back.bytes(), raster);
}

TEST(RgbImage, ReadKeepsWhatTheFileDoesNotCover) {
    ScratchDir dir;
    Image image(2, 2);  // 12 bytes
    std::vector<uint8_t> before = random_bytes(12, 2);

    image.fill(before);
    EXPECT_EQ(image_read_raw((dir / "missing.raw").c_str(), &image.record), -1);
    EXPECT_EQ(image.bytes(), before);

    write_bytes(dir / "short.raw", {1, 2, 3, 4, 5});
    EXPECT_EQ(image_read_raw((dir / "short.raw").c_str(), &image.record), 0);
    std::vector<uint8_t> expected = before;
    for (int i = 0; i < 5; ++i) expected[i] = static_cast<uint8_t>(i + 1);
    EXPECT_EQ(image.bytes(), expected);

    std::vector<uint8_t> longer = random_bytes(20, 3);
    write_bytes(dir / "long.raw", longer);
    EXPECT_EQ(image_read_raw((dir / "long.raw").c_str(), &image.record), 0);
    EXPECT_EQ(image.bytes(), std::vector<uint8_t>(longer.begin(), longer.begin() + 12));
}

TEST(RgbImage, WriteThatCannotCreateFails) {
    ScratchDir dir;
    Image image(100, 100);
    EXPECT_EQ(image_write_ppm((dir / "no/such/dir.ppm").c_str(), &image.record), -1);
    EXPECT_EQ(image_write_raw((dir / "no/such/dir.raw").c_str(), &image.record), -1);
}

TEST(RgbImage, PixelAccessTouchesExactlyThreeBytes) {
    Image image(3, 2);
    std::vector<uint8_t> before = random_bytes(18, 4);
    image.fill(before);
    image_put_pixel(&image.record, 1, 2, 255, 0, 128);
    std::vector<uint8_t> expected = before;
    expected[15] = 255, expected[16] = 0, expected[17] = 128;  // (1 x 3 + 2) x 3
    EXPECT_EQ(image.bytes(), expected);
    uint8_t r, g, b;
    image_get_pixel(&image.record, 1, 2, &r, &g, &b);
    EXPECT_EQ(std::vector<int>({r, g, b}), std::vector<int>({255, 0, 128}));
    // The last pixel of row 0 is directly followed by the first of row 1.
    image_get_pixel(&image.record, 0, 2, &r, &g, &b);
    EXPECT_EQ(std::vector<int>({r, g, b}), std::vector<int>({before[6], before[7], before[8]}));
    image_get_pixel(&image.record, 1, 0, &r, &g, &b);
    EXPECT_EQ(std::vector<int>({r, g, b}), std::vector<int>({before[9], before[10], before[11]}));
}

}  // namespace
