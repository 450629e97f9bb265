// The raw2tiff program end to end: round trips through libtiff, refusals,
// and failed writes, each checked for what is left on disk. Pipes and
// file-size limits are in raw2tiff_posix_test.cpp.
#include <gtest/gtest.h>

#include <tiffio.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "frametools_version.h"
#include "raw2tiff_tool_test.h"
#include "test_support.h"
#include "tiff_check.h"

ProcessResult Raw2tiff::run(const std::vector<std::string>& args, uint64_t file_limit, const std::string* input) {
    static const std::string kPath = native_path(RAW2TIFF_PATH);
    ProcessSpec request;
    request.argv = {kPath};
    request.argv.insert(request.argv.end(), args.begin(), args.end());
    request.cwd = dir_;
    request.file_size_limit = file_limit;
    if (input != nullptr) request.stdin_bytes = *input;
    ProcessResult r = run_process(request);
    r.out = lf_lines(r.out);
    r.err = lf_lines(r.err);
    return r;
}

std::string make_pixels(int width, int height, unsigned seed) {
    std::mt19937 rng(seed);
    std::string p(static_cast<size_t>(width) * height * 3, '\0');
    for (size_t i = 0; i < p.size(); ++i) {
        size_t x = (i / 3) % width;
        p[i] = (x / 5) % 3 == 0 ? static_cast<char>(rng()) : static_cast<char>(x / 7);
    }
    return p;
}

std::string ppm(int width, int height, const std::string& pixels) {
    return "P6\n" + std::to_string(width) + " " + std::to_string(height) + " 255\n" + pixels;
}

namespace {

TEST_F(Raw2tiff, RoundTripsThroughLibtiff) {
    struct Size {
        int width, height;
    } sizes[] = {
        {1, 1},     {1, 9}, {9, 1}, {3, 5}, {1000, 70},  // 21 rows a strip: the last strip is short
        {21846, 3},                                      // a row is over 64 KiB: one row a strip
        {2560, 24},
    };
    struct Compression {
        const char* name;
        uint16_t code;
    } compressions[] = {
        {"none", COMPRESSION_NONE},
        {"packbits", COMPRESSION_PACKBITS},
        {"lzw", COMPRESSION_LZW},
        {"zip", COMPRESSION_ADOBE_DEFLATE},
    };
    std::string in = scratch_ / "in.ppm", out = scratch_ / "out.tif";
    for (const Size& s : sizes) {
        std::string pixels = make_pixels(s.width, s.height, static_cast<unsigned>(s.width * 31 + s.height));
        write_file(in, ppm(s.width, s.height, pixels));
        for (const Compression& c : compressions) {
            SCOPED_TRACE(std::to_string(s.width) + "x" + std::to_string(s.height) + " " + c.name);
            write_file(out, "an older file to be replaced");
            ProcessResult r = run({"-c", c.name, in, out});
            ASSERT_EQ(r.exit_code, 0) << r.err;
            EXPECT_EQ(r.err, "");
            EXPECT_EQ(listing(), (std::vector<std::string>{"in.ppm", "out.tif"}));

            TiffContents t;
            ASSERT_EQ(tiff_read_back_path(out, &t), 0) << t.complaints;
            EXPECT_EQ(t.complaints, "");
            EXPECT_EQ(t.width, static_cast<uint32_t>(s.width));
            EXPECT_EQ(t.height, static_cast<uint32_t>(s.height));
            EXPECT_EQ(t.bits_per_sample, 8);
            EXPECT_EQ(t.samples_per_pixel, 3);
            EXPECT_EQ(t.planar_config, PLANARCONFIG_CONTIG);
            EXPECT_EQ(t.photometric, PHOTOMETRIC_RGB);
            EXPECT_EQ(t.orientation, ORIENTATION_TOPLEFT);
            EXPECT_EQ(t.compression, c.code);
            // Strips of about 64 KiB: as many whole rows as fit, at least one.
            size_t row_bytes = static_cast<size_t>(s.width) * 3;
            size_t rows = std::max<size_t>(1, std::min<size_t>(s.height, 65536 / row_bytes));
            EXPECT_EQ(t.rows_per_strip, rows);
            EXPECT_TRUE(std::string(t.by_scanline.begin(), t.by_scanline.end()) == pixels);
            EXPECT_TRUE(std::string(t.by_strip.begin(), t.by_strip.end()) == pixels);
        }
    }
}

TEST_F(Raw2tiff, ReadsLongHeadersInPieces) {
    // Comments that put the end of the header on either side of the first
    // read's 4096 bytes, and far beyond it.
    const std::string pixels = make_pixels(3, 2, 5);
    std::string in = scratch_ / "in.ppm", out = scratch_ / "out.tif";
    for (size_t header : {size_t(4094), size_t(4095), size_t(4096), size_t(4097), size_t(4098), size_t(65536)}) {
        SCOPED_TRACE(header);
        const std::string tail = "\n3 2 255\n";
        std::string text = "P6\n#" + std::string(header - 4 - tail.size(), 'c') + tail;
        ASSERT_EQ(text.size(), header);
        write_file(in, text + pixels + "trailing bytes are ignored");
        ProcessResult r = run({"-c", "none", in, out});
        ASSERT_EQ(r.exit_code, 0) << r.err;
        TiffContents t;
        ASSERT_EQ(tiff_read_back_path(out, &t), 0) << t.complaints;
        EXPECT_TRUE(std::string(t.by_scanline.begin(), t.by_scanline.end()) == pixels);
    }
}

// Memory follows the raster the header announces, not the file's size: a
// 1x1 image followed by a 4 GiB hole.
TEST_F(Raw2tiff, ReadsOnlyTheAnnouncedRaster) {
    std::string in = scratch_ / "in.ppm", out = scratch_ / "out.tif";
    const std::string image = ppm(1, 1, "abc");
    write_file(in, image);
    std::error_code ec;
    std::filesystem::resize_file(in, image.size() + (uint64_t(4) << 30), ec);
    ASSERT_FALSE(ec) << ec.message();
    ProcessResult r = run({"-c", "packbits", in, out});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_LT(r.max_rss_kib, 64 * 1024);
    TiffContents t;
    ASSERT_EQ(tiff_read_back_path(out, &t), 0) << t.complaints;
    EXPECT_EQ(t.width, 1u);
    EXPECT_EQ(t.height, 1u);
    EXPECT_EQ(std::string(t.by_scanline.begin(), t.by_scanline.end()), "abc");
}

TEST_F(Raw2tiff, RefusesBrokenInput) {
    struct Case {
        std::string data;
        const char* reason;
    } cases[] = {
        {"", "not a binary PPM (P6) file"},
        {"P3\n1 1 255\n0 0 0\n", "not a binary PPM (P6) file"},
        {"P5\n1 1 255\nabc", "not a binary PPM (P6) file"},
        {"P61 1 255\nabc", "not a binary PPM (P6) file"},
        {"P6\n", "truncated header (no width)"},
        {"P6\n1 1", "truncated header (after height)"},
        {"P6\n1 1 255", "truncated header (after maxval)"},
        {"P6\n-1 1 255\nabc", "bad width in header"},
        {"P6\n1x 1 255\nabc", "bad width in header"},
        {"P6\n1 +1 255\nabc", "bad height in header"},
        {"P6\n1 1 255.0\nabc", "bad maxval in header"},
        {"P6\n1 1 255#c\nabc", "bad maxval in header"},
        {"P6\n1 1 # no maxval\n", "truncated header (no maxval)"},
        {"P6\n0 1 255\n", "empty image (0x1)"},
        {"P6\n1 0 255\n", "empty image (1x0)"},
        {"P6\n1 1 65535\nabcdef", "maxval 65535 not supported (only 255)"},
        {"P6\n1 1 15\nabc", "maxval 15 not supported (only 255)"},
        {"P6\n1 1 99999999999999999999255\nabc", "maxval too large (only 255 is supported)"},
        {"P6\n65536 65536 255\n", "image too large"},
        {"P6\n715827883 1 255\n", "image too large"},  // 3 bytes over 2^31 - 1
        {"P6\n1 99999999999999999999 255\n", "image too large"},
        {"P6\n2 2 255\nabcdefghijk", "truncated raster (11 of 12 bytes)"},
        {"P6\n2560 1440 255\n", "truncated raster (0 of 11059200 bytes)"},
        // Headers are read in pieces, up to 64 KiB.
        {"P6\n#" + std::string(5000, 'c'), "truncated header (no width)"},
        {"P6\n#" + std::string(5000, 'c') + "\n3 1 255\n" + std::string(8, 'x'), "truncated raster (8 of 9 bytes)"},
        {"P6\n#" + std::string(65536, 'c') + "\n1 1 255\nabc", "header too long (over 65536 bytes)"},
    };
    std::string in = scratch_ / "in.ppm", out = scratch_ / "out.tif";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data.substr(0, 40));
        write_file(in, c.data);
        std::string expected = "raw2tiff: " + in + ": " + c.reason + "\n";
        for (bool existing : {false, true}) {
            if (existing) write_file(out, "keep me");
            ProcessResult r = run({"-c", "packbits", in, out});
            EXPECT_EQ(r.exit_code, 1);
            EXPECT_EQ(r.err, expected);
            if (existing) {
                EXPECT_TRUE(read_file(out) == "keep me");
                std::filesystem::remove(out);
            }
            EXPECT_EQ(listing(), std::vector<std::string>{"in.ppm"});
        }
    }
}

TEST_F(Raw2tiff, ReportsFilesItCannotOpen) {
    std::string in = scratch_ / "in.ppm";
    write_file(in, ppm(1, 1, "abc"));
    std::string missing = scratch_ / "missing.ppm";
    std::string no_dir = scratch_ / "no/out.tif";
    ProcessResult r = run({"-c", "packbits", missing, scratch_ / "out.tif"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "raw2tiff: " + missing + ": cannot open: No such file or directory\n");
    r = run({"-c", "packbits", in, no_dir});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "raw2tiff: " + no_dir + ": No such file or directory\n");
    EXPECT_EQ(listing(), std::vector<std::string>{"in.ppm"});
}

TEST_F(Raw2tiff, CommandLine) {
    const std::string usage = "usage: raw2tiff -c none|packbits|lzw|zip INFILE OUTFILE\n";
    std::string in = scratch_ / "in.ppm";
    write_file(in, ppm(1, 1, "abc"));
    std::string out = scratch_ / "out.tif";
    struct Case {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{"-h"}, 0},
        {{}, 2},
        {{"-h", "x"}, 2},
        {{"-c", "jpeg", in, out}, 2},
        {{"-c", "packbits", in}, 2},
        {{"-c", "packbits", in, out, "extra"}, 2},
        {{"-x", "packbits", in, out}, 2},
        {{"--", "-c", "packbits", in, out}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        ProcessResult r = run(c.args);
        EXPECT_EQ(r.exit_code, c.status);
        EXPECT_EQ(c.status == 0 ? r.out : r.err,
                  c.status == 0 ? "raw2tiff (frametools) " FRAMETOOLS_VERSION "\n" + usage : usage);
        EXPECT_EQ(c.status == 0 ? r.err : r.out, "");
        EXPECT_EQ(listing(), std::vector<std::string>{"in.ppm"});
    }
}

}  // namespace
