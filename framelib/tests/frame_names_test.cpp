#include "frame_names.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "converter_commands.h"

namespace {

TEST(FrameNames, BaseAndRawNames) {
    struct Case {
        int64_t frame;
        const char* base;
    } cases[] = {
        {0, "im00000"},
        {7, "im00007"},
        {99999, "im99999"},
        {100000, "im100000"},
        {123456, "im123456"},
        {-1, "im-0001"},
        {-12345, "im-12345"},
        {INT32_MIN, "im-2147483648"},
        {INT32_MAX, "im2147483647"},
        {int64_t{INT32_MAX} + 1, "im2147483648"},  // second field of the last pair
    };
    for (const Case& c : cases) {
        char base[TEXT_BUFFER_SIZE], raw[TEXT_BUFFER_SIZE];
        format_frame_name(base, c.frame);
        format_raw_name(raw, base);
        EXPECT_STREQ(base, c.base);
        EXPECT_EQ(std::string(raw), std::string(c.base) + ".raw");
    }
}

TEST(FrameNames, CommandLinesAreExact) {
    char line[TEXT_BUFFER_SIZE];
    std::snprintf(line, sizeof line, DECODE_COMMAND_FORMAT, "im00000.raw", "im00000");
    EXPECT_STREQ(line, "gif2rgb -1 -o im00000.raw im00000.gif");
    std::snprintf(line, sizeof line, CONVERT_COMMAND_FORMAT, TEMP_PPM_NAME, "im00003");
    EXPECT_STREQ(line, "raw2tiff -c packbits _tmp.ppm im00003.tif");
    std::snprintf(line, sizeof line, DELETE_COMMAND_FORMAT, TEMP_PPM_NAME);
    EXPECT_STREQ(line, "del _tmp.ppm");
    // The longest command line of all.
    std::snprintf(line, sizeof line, DECODE_COMMAND_FORMAT, "im-2147483648.raw", "im-2147483648");
    EXPECT_EQ(std::string(line).size(), 49u);
}

}  // namespace
