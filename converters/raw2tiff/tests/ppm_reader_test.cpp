// Header forms a P6 reader must take; the refusals are tested through the program.
#include <gtest/gtest.h>

#include <string>

#include "ppm_reader.h"

namespace {

TEST(PpmReader, AcceptsAnyValidHeader) {
    struct Case {
        const char* header;
        int width, height;
        size_t raster_at;
    } cases[] = {
        {"P6\n2 3 255\n", 2, 3, 11},
        {"P6 2 3 255 ", 2, 3, 11},
        {"P6\t\r\n\v\f2\n\n3\t255\r", 2, 3, 16},
        {"P6#c\n2 3 255\n", 2, 3, 13},
        {"P6\n# made by hand\n#\n2 # width\n3#height\r255\n", 2, 3, 43},
        {"P6\n0002 00003 0255\n", 2, 3, 19},
        {"P6\n1 1 255\n\n\n", 1, 1, 11},  // one whitespace byte ends the header
        {"P6\n1 1 255\n# not a comment", 1, 1, 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        std::string file = std::string(c.header) +
                           std::string(c.width * c.height * 3, 'x');  // trailing bytes are ignored
        RgbImage image;
        ToolError error;
        ASSERT_EQ(ppm_parse(reinterpret_cast<const uint8_t*>(file.data()), file.size(), &image, &error), 0)
            << error.reason;
        EXPECT_EQ(image.width, c.width);
        EXPECT_EQ(image.height, c.height);
        EXPECT_EQ(reinterpret_cast<const char*>(image.pixels), file.data() + c.raster_at);
    }
}

}  // namespace
