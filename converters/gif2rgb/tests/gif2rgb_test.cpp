// The gif2rgb program as fieldweaver and framehalver run it, and the picture
// rules of the decoder on hand-made files, with our LZW and giflib's. FIFOs
// and file-size limits are in gif2rgb_posix_test.cpp.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "frametools_version.h"
#include "gif2rgb_tool_test.h"
#include "gif_builder.h"
#include "gif_frame_decode.h"
#include "giflib_lines.h"
#include "test_support.h"

ProcessResult Gif2rgbTool::run(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {gif2rgb_path()};
    argv.insert(argv.end(), args.begin(), args.end());
    ProcessResult r = run_process(argv, dir_);
    r.out = lf_lines(r.out);
    r.err = lf_lines(r.err);
    return r;
}

const std::string& gif2rgb_path() {
    static const std::string kPath = native_path(GIF2RGB_PATH);
    return kPath;
}

const std::string& fixture_dir() {
    static const std::string kDir = native_path(FIXTURE_DIR);
    return kDir;
}

namespace {

TEST_F(Gif2rgbTool, FixturesGiveImageMagicksPicture) {
    const char* names[] = {"plain",       "interlaced",         "local_table",      "offset",
                           "transparent", "dispose_background", "dispose_previous", "dispose_last"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        std::string fixture = fixture_dir() + "/" + name;
        std::string out = dir_ + "/" + name + ".raw";
        ProcessResult r = convert(fixture + ".gif", out);
        EXPECT_EQ(r.exit_code, 0) << r.err;
        EXPECT_EQ(r.err, "");
        std::string expected = read_file(fixture + ".rgb");
        ASSERT_FALSE(expected.empty());
        EXPECT_TRUE(read_file(out) == expected);
    }
}

TEST_F(Gif2rgbTool, CommandLine) {
    const std::string usage = "usage: gif2rgb -1 -o OUTFILE GIFFILE\n";
    ProcessResult help = run({"-h"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_EQ(help.out, "gif2rgb (frametools) " FRAMETOOLS_VERSION "\n" + usage);
    EXPECT_EQ(help.err, "");
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"-1", "-o", "x.raw"},
        {"-o", "x.raw", "a.gif"},
        {"-1", "a.gif"},
        {"-1", "-o"},
        {"-1", "-o", "x.raw", "a.gif", "b.gif"},
        {"-1", "-o", "x.raw", "-o", "y.raw", "a.gif"},
        {"-1", "-x", "-o", "x.raw", "a.gif"},
        {"-h", "-1"},
    };
    for (const std::vector<std::string>& args : bad) {
        ProcessResult r = run(args);
        EXPECT_EQ(r.exit_code, 2) << args.size();
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, usage);
    }
}

// A valid 2x2 GIF and the bytes of its parts, for breaking it.
Bytes tiny_gif_with(const Bytes& after_header, int sw = 2, int sh = 2) {
    Bytes b = gif_header(sw, sh, 1, 0);
    b.insert(b.end(), after_header.begin(), after_header.end());
    return b;
}

Bytes tiny_image(ImageSpec shape, const Bytes& codes) {
    Bytes b;
    put_image(&b, shape, codes);
    b.push_back(0x3B);
    return b;
}

const ImageSpec k2x2 = {0, 0, 2, 2, false, 0, 2, 255};

Bytes codes_of(int min_code_size, std::vector<int> codes) {
    CodeWriter w = code_writer(min_code_size);
    for (int c : codes) put_code(&w, c);
    return finish_codes(&w);
}

struct Broken {
    const char* name;
    Bytes bytes;
    const char* reason;
};

std::vector<Broken> broken_cases() {
    Bytes good = tiny_gif_with(tiny_image(k2x2, literal_codes(2, {0, 1, 1, 0})));
    Bytes no_trailer(good.begin(), good.end() - 1);
    Bytes cut_in_data(good.begin(), good.end() - 5);
    ImageSpec wide = k2x2;
    wide.w = 3;
    ImageSpec zero = k2x2;
    zero.h = 0;
    ImageSpec bad_size = k2x2;
    bad_size.min_code_size = 9;
    Bytes no_table = gif_header(2, 2, 0, 0);
    Bytes img = tiny_image(k2x2, literal_codes(2, {0, 1, 1, 0}));
    no_table.insert(no_table.end(), img.begin(), img.end());
    return {
        {"empty", {}, "not a GIF file"},
        {"png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 0, 0}, "not a GIF file"},
        {"cut header", Bytes(good.begin(), good.begin() + 9), "truncated file"},
        {"zero screen", gif_header(0, 2, 1, 0), "screen has zero size (0x2)"},
        {"huge screen", gif_header(65535, 65535, 1, 0), "screen 65535x65535 is too large (over 2147483647 RGB bytes)"},
        {"no image", tiny_gif_with({0x3B}), "no image in the file"},
        {"cut in data", cut_in_data, "truncated file"},
        {"no trailer", no_trailer, "truncated file"},
        {"unknown block", tiny_gif_with({0x99, 0x3B}), "corrupt file (unknown block type)"},
        {"zero size image", tiny_gif_with(tiny_image(zero, literal_codes(2, {}))), "image 1 has zero size (2x0)"},
        {"image bigger than screen", tiny_gif_with(tiny_image(wide, literal_codes(2, {0, 1, 1, 0, 1, 1}))),
         "image 1 (3x2) has more pixels than the screen (2x2)"},
        {"no colour table", no_table, "image 1 has no colour table"},
        {"code size 9", tiny_gif_with(tiny_image(bad_size, {0, 0, 0})), "image 1: bad LZW minimum code size 9"},
        {"undefined code", tiny_gif_with(tiny_image(k2x2, codes_of(2, {4, 1, 7, 5}))),
         "image 1: corrupt image data (undefined LZW code)"},
        {"early end code", tiny_gif_with(tiny_image(k2x2, codes_of(2, {4, 1, 0, 5}))),
         "image 1: corrupt image data (end code before the last pixel)"},
        {"data ends early", tiny_gif_with(tiny_image(k2x2, Bytes{0x0C})),
         "image 1: corrupt image data (data ends before the last pixel)"},
        {"index beyond table", tiny_gif_with(tiny_image(k2x2, literal_codes(2, {0, 1, 3, 0}))),
         "image 1: colour index 3 beyond its 2-entry colour table"},
    };
}

TEST_F(Gif2rgbTool, BrokenInputsLeaveNoOutput) {
    for (const Broken& c : broken_cases()) {
        SCOPED_TRACE(c.name);
        std::string gif = dir_ + "/in.gif";
        std::string out = dir_ + "/out.raw";
        write_bytes(gif, c.bytes);
        ProcessResult fresh = convert(gif, out);
        EXPECT_EQ(fresh.exit_code, 1);
        EXPECT_EQ(fresh.err, "gif2rgb: " + gif + ": " + c.reason + "\n");
        EXPECT_FALSE(file_exists(out));

        write_bytes(out, {'o', 'l', 'd'});
        ProcessResult over = convert(gif, out);
        EXPECT_EQ(over.exit_code, 1);
        EXPECT_EQ(read_file(out), "old");
        EXPECT_EQ(list_dir(dir_), (std::vector<std::string>{"in.gif", "out.raw"}));
        std::filesystem::remove(out);
    }
}

TEST_F(Gif2rgbTool, UnreadableInputs) {
    struct Case {
        std::string gif, reason;
    } cases[] = {
        {dir_ + "/missing.gif", "cannot open: No such file or directory"},
        {dir_, "not a regular file (a directory)"},
    };
    for (const Case& c : cases) {
        ProcessResult r = convert(c.gif, dir_ + "/out.raw");
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_EQ(r.err, "gif2rgb: " + c.gif + ": " + c.reason + "\n");
        EXPECT_FALSE(file_exists(dir_ + "/out.raw"));
    }
}

TEST_F(Gif2rgbTool, FailedWriteLeavesNothing) {
    std::string gif = fixture_dir() + "/plain.gif";
    ProcessResult no_dir = convert(gif, dir_ + "/nowhere/out.raw");
    EXPECT_EQ(no_dir.exit_code, 1);
    EXPECT_EQ(no_dir.err, "gif2rgb: " + dir_ + "/nowhere/out.raw: No such file or directory\n");
    EXPECT_EQ(list_dir(dir_), std::vector<std::string>{});
}

// What the decoder makes of odd but acceptable files; expected pixels by hand.
struct Odd {
    const char* name;
    Bytes bytes;
    int width, height;
    std::vector<int> pixels;  // per pixel: colour index of put_table, -1 black
};

std::vector<uint8_t> expand(const std::vector<int>& indices) {
    std::vector<uint8_t> rgb;
    for (int i : indices) {
        if (i < 0) {
            rgb.insert(rgb.end(), {0, 0, 0});
        } else {
            rgb.insert(rgb.end(),
                       {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)});
        }
    }
    return rgb;
}

Bytes with_images(Bytes header, std::vector<Bytes> parts) {
    for (const Bytes& p : parts) header.insert(header.end(), p.begin(), p.end());
    header.push_back(0x3B);
    return header;
}

Bytes image(ImageSpec s, const Bytes& codes) {
    Bytes b;
    put_image(&b, s, codes);
    return b;
}

Bytes gce(int disposal, int transparent) {
    Bytes b;
    put_gce(&b, disposal, transparent);
    return b;
}

TEST(GifFrameDecode, OddButAcceptedInputs) {
    const ImageSpec one = {0, 0, 1, 1, false, 0, 2, 255};
    ImageSpec off_edge = {2, 1, 2, 2, false, 0, 2, 255};
    ImageSpec outside = {9, 9, 1, 1, false, 0, 2, 255};
    ImageSpec local = {1, 0, 1, 1, false, 2, 2, 255};
    ImageSpec interlaced = {0, 0, 1, 5, true, 0, 3, 1};
    const std::vector<Odd> cases = {
        {"bg index beyond the global table is black",
         with_images(gif_header(2, 1, 1, 5), {image(one, literal_codes(2, {1}))}),
         2,
         1,
         {1, -1}},
        {"no global table: black background, local table for the image",
         with_images(gif_header(2, 1, 0, 0), {image(local, literal_codes(2, {3}))}),
         2,
         1,
         {-1, 3}},
        {"image partly off the screen is clipped",
         with_images(gif_header(3, 2, 2, 2), {image(off_edge, literal_codes(2, {0, 1, 3, 1}))}),
         3,
         2,
         {2, 2, 2, 2, 2, 0}},
        {"image wholly off the screen paints nothing",
         with_images(gif_header(2, 1, 1, 1), {image(outside, literal_codes(2, {0}))}),
         2,
         1,
         {1, 1}},
        {"missing end code and data after the end code are fine",
         with_images(gif_header(2, 1, 1, 0), {image({0, 0, 2, 1, false, 0, 2, 255}, codes_of(2, {4, 1, 0})),
                                              image({1, 0, 1, 1, false, 0, 2, 255}, codes_of(2, {4, 1, 5, 7, 7, 7}))}),
         2,
         1,
         {1, 1}},
        {"interlaced rows come back in order, one-byte sub-blocks",
         with_images(gif_header(1, 5, 3, 0), {image(interlaced, literal_codes(3, {0, 4, 2, 1, 3}))}),
         1,
         5,
         {0, 1, 2, 3, 4}},
        {"transparent index outside the table is just transparent",
         with_images(gif_header(2, 1, 1, 1),
                     {gce(0, 3), image({0, 0, 2, 1, false, 0, 2, 255}, literal_codes(2, {3, 0}))}),
         2,
         1,
         {1, 0}},
        {"disposal 3 on a later image restores what the first painted",
         with_images(gif_header(2, 1, 2, 3),
                     {image({0, 0, 2, 1, false, 0, 2, 255}, literal_codes(2, {0, 1})), gce(3, -1),
                      image(one, literal_codes(2, {2})), image({1, 0, 1, 1, false, 0, 2, 255}, literal_codes(2, {2}))}),
         2,
         1,
         {0, 2}},
        {"disposal 2 clears to the background, only that rectangle",
         with_images(gif_header(2, 1, 2, 3),
                     {image({0, 0, 2, 1, false, 0, 2, 255}, literal_codes(2, {0, 1})), gce(2, -1),
                      image(one, literal_codes(2, {2})), image({1, 0, 1, 1, false, 0, 2, 255}, literal_codes(2, {2}))}),
         2,
         1,
         {3, 2}},
        {"code sizes 1 and 8 with tables smaller than the codes allow",
         with_images(gif_header(2, 1, 2, 0), {image({0, 0, 1, 1, false, 0, 1, 255}, literal_codes(1, {1})),
                                              image({1, 0, 1, 1, false, 0, 8, 255}, literal_codes(8, {3}))}),
         2,
         1,
         {1, 3}},
    };
    for (const Odd& c : cases) {
        SCOPED_TRACE(c.name);
        for (const GifLzw* lzw : {&kGifLzw, &kGifLzwGiflibLines}) {
            RgbImage image;
            ToolError error;
            ASSERT_EQ(gif_decode_memory(c.bytes.data(), c.bytes.size(), lzw, &image, &error), 0) << error.reason;
            EXPECT_EQ(image.width, c.width);
            EXPECT_EQ(image.height, c.height);
            std::vector<uint8_t> got(image.pixels, image.pixels + static_cast<size_t>(image.width) * image.height * 3);
            EXPECT_EQ(got, expand(c.pixels));
            std::free(image.pixels);
        }
    }
}

}  // namespace
