// The raw2tiff program end to end: round trips through libtiff, refusals,
// and failed writes, each checked for what is left on disk.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tiff_check.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;  // exit status, or -1 if it did not exit normally
    std::string out, err;
};

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void spit(const fs::path& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
}

class Raw2tiff : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/raw2tiff_test.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the tool with args; file_limit > 0 caps the size of any file it
    // writes; input, if given, comes through a pipe on stdin.
    Outcome run(const std::vector<std::string>& args, rlim_t file_limit = 0,
                const std::string* input = nullptr) {
        fs::path out = dir_ / "stdout.txt", err = dir_ / "stderr.txt";
        int pipe_fds[2] = {-1, -1};
        if (input != nullptr && pipe(pipe_fds) != 0) return Outcome();
        pid_t pid = fork();
        if (pid == 0) {
            if (input != nullptr) {
                dup2(pipe_fds[0], 0);
                close(pipe_fds[0]);
                close(pipe_fds[1]);
            }
            int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(o, 1);
            dup2(e, 2);
            if (file_limit > 0) {
                struct rlimit limit = {file_limit, file_limit};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            std::vector<char*> argv = {const_cast<char*>(RAW2TIFF_PATH)};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        if (input != nullptr) {
            close(pipe_fds[0]);
            for (size_t done = 0; done < input->size();) {
                ssize_t n = write(pipe_fds[1], input->data() + done, input->size() - done);
                if (n <= 0) break;
                done += static_cast<size_t>(n);
            }
            close(pipe_fds[1]);
        }
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        Outcome r;
        r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
        r.out = slurp(out);
        r.err = slurp(err);
        fs::remove(out);
        fs::remove(err);
        return r;
    }

    // Everything left in the directory, so stray temporary files show up.
    std::vector<std::string> listing() {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
};

// Pixels with runs and noise in them, so every encoder path gets used.
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

TEST_F(Raw2tiff, RoundTripsThroughLibtiff) {
    struct Size {
        int width, height;
    } sizes[] = {
        {1, 1}, {1, 9}, {9, 1}, {3, 5},
        {1000, 70},   // 21 rows a strip: the last strip is short
        {21846, 3},   // a row is over 64 KiB: one row a strip
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
    fs::path in = dir_ / "in.ppm", out = dir_ / "out.tif";
    for (const Size& s : sizes) {
        std::string pixels = make_pixels(s.width, s.height, static_cast<unsigned>(s.width * 31 + s.height));
        spit(in, ppm(s.width, s.height, pixels));
        for (const Compression& c : compressions) {
            SCOPED_TRACE(std::to_string(s.width) + "x" + std::to_string(s.height) + " " + c.name);
            spit(out, "an older file to be replaced");
            Outcome r = run({"-c", c.name, in.string(), out.string()});
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.err, "");
            EXPECT_EQ(listing(), (std::vector<std::string>{"in.ppm", "out.tif"}));

            int fd = open(out.c_str(), O_RDONLY);
            ASSERT_GE(fd, 0);
            TiffContents t;
            ASSERT_EQ(tiff_read_back(fd, &t), 0) << t.complaints;
            close(fd);
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

TEST_F(Raw2tiff, ReadsFromAPipe) {
    // Larger than one read buffer, so the buffer has to grow.
    std::string pixels = make_pixels(300, 200, 3);
    std::string input = ppm(300, 200, pixels);
    fs::path out = dir_ / "out.tif";
    Outcome r = run({"-c", "packbits", "/dev/stdin", out.string()}, 0, &input);
    ASSERT_EQ(r.status, 0) << r.err;
    int fd = open(out.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    TiffContents t;
    ASSERT_EQ(tiff_read_back(fd, &t), 0) << t.complaints;
    close(fd);
    EXPECT_TRUE(std::string(t.by_scanline.begin(), t.by_scanline.end()) == pixels);
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
    };
    fs::path in = dir_ / "in.ppm", out = dir_ / "out.tif";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data.substr(0, 40));
        spit(in, c.data);
        std::string expected = "raw2tiff: " + in.string() + ": " + c.reason + "\n";
        for (bool existing : {false, true}) {
            if (existing) spit(out, "keep me");
            Outcome r = run({"-c", "packbits", in.string(), out.string()});
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.err, expected);
            if (existing) {
                EXPECT_TRUE(slurp(out) == "keep me");
                fs::remove(out);
            }
            EXPECT_EQ(listing(), std::vector<std::string>{"in.ppm"});
        }
    }
}

TEST_F(Raw2tiff, ReportsFailedWritesAndLeavesNoPartialFile) {
    fs::path in = dir_ / "in.ppm", out = dir_ / "out.tif";
    spit(in, ppm(300, 200, make_pixels(300, 200, 7)));
    ASSERT_EQ(run({"-c", "packbits", in.string(), out.string()}).status, 0);
    const rlim_t size = fs::file_size(out);
    // The limit also caps stderr, so it stays above the length of our message.
    for (rlim_t limit : {rlim_t(256), rlim_t(4096), size - 1}) {
        SCOPED_TRACE(limit);
        spit(out, "keep me");
        Outcome r = run({"-c", "packbits", in.string(), out.string()}, limit);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "raw2tiff: " + out.string() + ": File too large\n");
        EXPECT_TRUE(slurp(out) == "keep me");
        EXPECT_EQ(listing(), (std::vector<std::string>{"in.ppm", "out.tif"}));
    }
}

TEST_F(Raw2tiff, ReportsFilesItCannotOpen) {
    fs::path in = dir_ / "in.ppm";
    spit(in, ppm(1, 1, "abc"));
    std::string missing = (dir_ / "missing.ppm").string();
    std::string no_dir = (dir_ / "no" / "out.tif").string();
    Outcome r = run({"-c", "packbits", missing, (dir_ / "out.tif").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "raw2tiff: " + missing + ": No such file or directory\n");
    r = run({"-c", "packbits", in.string(), no_dir});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "raw2tiff: " + no_dir + ": No such file or directory\n");
    EXPECT_EQ(listing(), std::vector<std::string>{"in.ppm"});
}

TEST_F(Raw2tiff, CommandLine) {
    const std::string usage = "usage: raw2tiff -c none|packbits|lzw|zip INFILE OUTFILE\n";
    fs::path in = dir_ / "in.ppm";
    spit(in, ppm(1, 1, "abc"));
    std::string out = (dir_ / "out.tif").string();
    struct Case {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{"-h"}, 0},
        {{}, 2},
        {{"-h", "x"}, 2},
        {{"-c", "jpeg", in.string(), out}, 2},
        {{"-c", "packbits", in.string()}, 2},
        {{"-c", "packbits", in.string(), out, "extra"}, 2},
        {{"-x", "packbits", in.string(), out}, 2},
        {{"--", "-c", "packbits", in.string(), out}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        Outcome r = run(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(c.status == 0 ? r.out : r.err, usage);
        EXPECT_EQ(c.status == 0 ? r.err : r.out, "");
        EXPECT_EQ(listing(), std::vector<std::string>{"in.ppm"});
    }
}

}  // namespace
