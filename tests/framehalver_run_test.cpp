// framehalver from its command line to the TIFF files, with the real helpers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gaussian_weights.h"
#include "program_runs.h"
#include "reference_frames.h"
#include "rgb_image.h"

namespace {

std::string progress(const std::string& n, const std::string& base) {
    return as_console_text("\n" + n + " == " + base + ".raw ==>_tmp.ppm\n");
}
std::string convert(const std::string& base) {
    return as_console_text("raw2tiff -c packbits _tmp.ppm " + base + ".tif\n");
}

void expect_halved(const Sequence& s, int n, int w, int h) {
    TiffPicture picture;
    std::string tif = frame_name(n, ".tif");
    ASSERT_TRUE(read_tiff(s.dir / tif, &picture)) << tif;
    EXPECT_EQ(picture.compression, 32773);
    ASSERT_EQ(picture.width, w);
    ASSERT_EQ(picture.height, h);
    std::vector<uint8_t> source = s.frame_rgb(n), expected(static_cast<size_t>(w) * h * 3);
    RgbImage in{2 * w, 2 * h, source.data()}, out{w, h, expected.data()};
    double centre, edge, corner;
    gaussian_weights(0.75f, &centre, &edge, &corner);
    halve_reference(&in, &out, centre, edge, corner);
    EXPECT_EQ(picture.rgb, expected) << tif;
}

TEST(FramehalverRun, HalvesEveryFrameAndLeavesNothingElse) {
    Sequence s;
    s.add_frames(0, 2, 12, 8);
    ProcessResult r = s.run(kFramehalver, {"0", "2", "6", "4"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, progress("00000", "im00000") + convert("im00000") + progress("00001", "im00001") +
                         convert("im00001") + progress("00002", "im00002") + convert("im00002"));
    std::vector<std::string> expected = {"im00000.gif", "im00000.tif", "im00001.gif",
                                         "im00001.tif", "im00002.gif", "im00002.tif"};
    EXPECT_EQ(s.files(), expected);
    for (int n = 0; n < 3; ++n) expect_halved(s, n, 6, 4);
}

TEST(FramehalverRun, NegativeFramesKeepTheirNumbers) {
    Sequence s;
    s.add_frames(-1, 0, 10, 6);
    ProcessResult r = s.run(kFramehalver, {"-1", "0", "5", "3"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out,
              progress("-0001", "im-0001") + convert("im-0001") + progress("00000", "im00000") + convert("im00000"));
    expect_halved(s, -1, 5, 3);
    expect_halved(s, 0, 5, 3);
}

// A missing frame repeats the previous picture under its own number, and
// says so.
TEST(FramehalverRun, MissingFrameIsReportedAndRunGoesOn) {
    Sequence s;
    s.add_frames(0, 0, 8, 8);
    s.add_frames(2, 2, 8, 8);
    ProcessResult r = s.run(kFramehalver, {"0", "2", "4", "4"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("framehalver: gif2rgb -1 -o im00001.raw im00001.gif: exited with status 1; "
                         "the source buffer keeps its earlier content\n"),
              std::string::npos)
        << r.err;
    TiffPicture first, second;
    ASSERT_TRUE(read_tiff(s.dir / "im00000.tif", &first));
    ASSERT_TRUE(read_tiff(s.dir / "im00001.tif", &second));
    EXPECT_EQ(first.rgb, second.rgb);
    expect_halved(s, 2, 4, 4);
}

TEST(FramehalverRun, CommandLineErrorsTouchNothing) {
    const std::string syntax = "Syntax is :\n framehalver im#start im#end width height\n";
    struct Case {
        std::vector<std::string> args;
        int exit_code;
        std::string out, err;
    } cases[] = {
        {{}, 0, syntax, ""},
        {{"3"}, 0, syntax, ""},
        {{"0", "4", "720"}, 2, "", "framehalver: a width needs a height too\n" + syntax},
        {{"0", "4", "-5", "3"}, 2, "", "framehalver: invalid size -5 x 3: width and height must be at least 1\n"},
        {{"0", "4", "20000", "20000"},
         2,
         "",
         "framehalver: invalid size 20000 x 20000: a 40000 x 40000 frame would need more than 2147483647 bytes\n"},
        {{"-2147483649", "4"}, 2, "", "framehalver: invalid number '-2147483649': outside -2147483648..2147483647\n"},
    };
    for (const Case& c : cases) {
        Sequence s;
        ProcessResult r = s.run(kFramehalver, c.args);
        EXPECT_EQ(r.exit_code, c.exit_code) << c.args.size();
        EXPECT_EQ(r.out, as_console_text(c.out));
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(s.files(), std::vector<std::string>());
    }
}

TEST(FramehalverRun, TopOfTheRangeEnds) {
    Sequence s;
    ProcessResult r = s.run(kFramehalver, {"2147483647", "2147483647", "1", "1"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out, progress("2147483647", "im2147483647") + convert("im2147483647"));
    EXPECT_EQ(s.files(), std::vector<std::string>({"im2147483647.tif"}));
}

}  // namespace
