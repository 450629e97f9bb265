// fieldweaver from its command line to the TIFF files, with the real helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "program_runs.h"
#include "reference_frames.h"
#include "rgb_image.h"

namespace {

std::string progress(const std::string& n, const std::string& a, const std::string& b) {
    return as_console_text("\n" + n + " == " + a + ".raw+" + b + ".raw==>_tmp.ppm\n");
}
std::string convert(const std::string& out) { return "raw2tiff -c packbits _tmp.ppm " + out + ".tif"; }

// The TIFF of output frame `out` holds the weave of GIF frames n and n + 1.
void expect_woven(const Sequence& s, const std::string& tif, int n, int w, int h) {
    TiffPicture picture;
    ASSERT_TRUE(read_tiff(s.dir / tif, &picture)) << tif;
    EXPECT_EQ(picture.compression, 32773);
    ASSERT_EQ(picture.width, w);
    ASSERT_EQ(picture.height, 2 * h);
    std::vector<uint8_t> a = s.frame_rgb(n), b = s.frame_rgb(n + 1), expected(static_cast<size_t>(w) * h * 6);
    RgbImage f0{2 * w, h, a.data()}, f1{2 * w, h, b.data()}, out{w, 2 * h, expected.data()};
    weave_reference(&f0, &f1, &out);
    EXPECT_EQ(picture.rgb, expected) << tif << " is not the weave of frames " << n << " and " << n + 1;
}

TEST(FieldweaverRun, WeavesPairsIntoTiffsAndLeavesNothingElse) {
    Sequence s;
    s.add_frames(0, 5, 10, 3);
    ProcessResult r = s.run(kFieldweaver, {"0", "4", "5", "3"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, progress("00000", "im00000", "im00001") + convert("im00000") +
                         progress("00002", "im00002", "im00003") + convert("im00001") +
                         progress("00004", "im00004", "im00005") + convert("im00002"));
    EXPECT_EQ(s.files(), s.gifs_and({"im00000.tif", "im00001.tif", "im00002.tif"}));
    for (int out = 0; out < 3; ++out) expect_woven(s, frame_name(out, ".tif"), 2 * out, 5, 3);
}

TEST(FieldweaverRun, NegativeFramesRoundTowardZero) {
    Sequence s;
    s.add_frames(-3, 2, 8, 2);
    ProcessResult r = s.run(kFieldweaver, {"-3", "1", "4", "2"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, progress("-0003", "im-0003", "im-0002") + convert("im-0001") +
                         progress("-0001", "im-0001", "im00000") + convert("im00000") +
                         progress("00001", "im00001", "im00002") + convert("im00000"));
    expect_woven(s, "im-0001.tif", -3, 4, 2);
    expect_woven(s, "im00000.tif", 1, 4, 2);  // the third pair converts last
}

TEST(FieldweaverRun, NothingToDoWhenFirstIsAfterLast) {
    Sequence s;
    s.add_frames(0, 1, 4, 2);
    ProcessResult r = s.run(kFieldweaver, {"5", "4"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.find("fieldweaver:"), std::string::npos) << r.err;  // cmd's del may speak for itself
    EXPECT_EQ(s.files(), s.gifs_and({}));
}

TEST(FieldweaverRun, CommandLineErrorsTouchNothing) {
    const std::string syntax = "Syntax is :\n fieldweaver im#start im#end width height\n";
    struct Case {
        std::vector<std::string> args;
        int exit_code;
        std::string out, err;
    } cases[] = {
        {{}, 0, syntax, ""},
        {{"3"}, 0, syntax, ""},
        {{"0", "4", "720"}, 2, "", "fieldweaver: a width needs a height too\n" + syntax},
        {{"0", "4", "0", "270"}, 2, "", "fieldweaver: invalid size 0 x 270: width and height must be at least 1\n"},
        {{"0", "4", "720", "x"}, 2, "", "fieldweaver: invalid size 720 x 0: width and height must be at least 1\n"},
        {{"0", "4", "30000", "30000"},
         2,
         "",
         "fieldweaver: invalid size 30000 x 30000: a 60000 x 30000 frame would need more than 2147483647 bytes\n"},
        {{"0", "9999999999"}, 2, "", "fieldweaver: invalid number '9999999999': outside -2147483648..2147483647\n"},
    };
    for (const Case& c : cases) {
        Sequence s;
        s.add_frames(0, 1, 4, 2);
        ProcessResult r = s.run(kFieldweaver, c.args);
        EXPECT_EQ(r.exit_code, c.exit_code) << c.args.size();
        EXPECT_EQ(r.out, as_console_text(c.out));
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(s.files(), s.gifs_and({}));
    }
}

// A missing second field: reported, the field keeps what it held, and the
// pair still gives its TIFF.
TEST(FieldweaverRun, MissingFieldIsReportedAndRunGoesOn) {
    Sequence s;
    s.add_frames(0, 2, 8, 2);  // frame 3 is missing
    ProcessResult r = s.run(kFieldweaver, {"0", "2", "4", "2"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out, progress("00000", "im00000", "im00001") + convert("im00000") +
                         progress("00002", "im00002", "im00003") + convert("im00001"));
    EXPECT_NE(r.err.find("fieldweaver: gif2rgb -1 -o im00003.raw im00003.gif: exited with status 1; "
                         "field 1 keeps its earlier content\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(s.files(), s.gifs_and({"im00000.tif", "im00001.tif"}));
    // Frame 1's rows are still in field 1.
    TiffPicture second;
    ASSERT_TRUE(read_tiff(s.dir / "im00001.tif", &second));
    std::vector<uint8_t> a = s.frame_rgb(2), b = s.frame_rgb(1), expected(4 * 2 * 6);
    RgbImage f0{8, 2, a.data()}, f1{8, 2, b.data()}, out{4, 4, expected.data()};
    weave_reference(&f0, &f1, &out);
    EXPECT_EQ(second.rgb, expected);
}

TEST(FieldweaverRun, FrameOfTheWrongSizeIsReported) {
    Sequence s;
    s.add_frames(0, 1, 6, 2);  // 6 x 2 fields where 8 x 2 are expected
    ProcessResult r = s.run(kFieldweaver, {"0", "0", "4", "2"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("fieldweaver: im00000.gif: a 6 x 2 picture, but width 4 and height 2 on the command line "
                         "need 8 x 2\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(s.files(), s.gifs_and({"im00000.tif"}));
}

// _tmp.ppm cannot be written: the converter must not label an older picture
// with this number.
TEST(FieldweaverRun, UnwritableTemporaryFileSkipsTheConversion) {
    Sequence s;
    s.add_frames(0, 1, 8, 2);
    std::filesystem::create_directory(s.dir / "_tmp.ppm");
    write_bytes(s.dir / "_tmp.ppm/keep", {1});
    ProcessResult r = s.run(kFieldweaver, {"0", "0", "4", "2"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out, progress("00000", "im00000", "im00001") + convert("im00000"));
    EXPECT_NE(r.err.find("fieldweaver: _tmp.ppm: cannot write: Is a directory; im00000.tif not converted\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("fieldweaver: del _tmp.ppm: "), std::string::npos) << r.err;  // del deletes files only
    EXPECT_FALSE(file_exists(s.dir / "im00000.tif"));
}

TEST(FieldweaverRun, FailedConversionIsReported) {
    Sequence s;
    s.add_frames(0, 1, 8, 2);
    std::filesystem::create_directory(s.dir / "im00000.tif");
    write_bytes(s.dir / "im00000.tif/keep", {1});
    ProcessResult r = s.run(kFieldweaver, {"0", "0", "4", "2"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("fieldweaver: raw2tiff -c packbits _tmp.ppm im00000.tif: exited with status 1\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(s.files(), s.gifs_and({"im00000.tif"}));
}

// Another raw2tiff (Debian ships an unrelated one), gif2rgb or del earlier
// on PATH must not be the one that runs.
TEST(FieldweaverRun, OwnHelpersComeFirstOnPath) {
    Sequence s;
    s.add_frames(0, 1, 8, 2);
    ScratchDir decoys;
    for (const char* name : {"gif2rgb", "raw2tiff", "del"}) {
        write_decoy(decoys.path, name, decoys / "ran");
        write_decoy(s.dir.path, name, decoys / "ran");  // the current directory comes first on Windows
    }
    ProcessResult r = s.run(kFieldweaver, {"0", "0", "4", "2"}, {"PATH=" + path_with_first(decoys.path)});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_FALSE(file_exists(decoys / "ran"));
    expect_woven(s, "im00000.tif", 0, 4, 2);
}

TEST(FieldweaverRun, SecondRunInTheSameDirectoryIsRefused) {
    Sequence s;
    s.add_frames(0, 1, 4, 2);
    int lock = hold_directory_lock(s.dir.path);
    ASSERT_GE(lock, 0);
    ProcessResult r = s.run(kFieldweaver, {"0", "0", "4", "2"});
    release_directory_lock(lock);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "fieldweaver: another run is using this directory\n");
    EXPECT_EQ(s.files(), s.gifs_and({}));
}

// The loop ends after the pair at the top of the range; the second field's
// name simply has more digits.
TEST(FieldweaverRun, TopOfTheRangeEnds) {
    Sequence s;
    ProcessResult r = s.run(kFieldweaver, {"2147483647", "2147483647", "1", "1"});
    EXPECT_EQ(r.exit_code, 1);  // there are no GIFs, so the TIFF shows the zeroed buffers
    EXPECT_EQ(r.out, progress("2147483647", "im2147483647", "im2147483648") + convert("im1073741823"));
    EXPECT_EQ(s.files(), std::vector<std::string>({"im1073741823.tif"}));
}

}  // namespace
