// POSIX only: a pipe as the input (/dev/stdin), and writes cut short by a
// file-size limit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "raw2tiff_tool_test.h"
#include "test_support.h"

namespace {

TEST_F(Raw2tiff, RefusesAPipe) {
    // The header announces the raster and the file must be as long: a pipe
    // has no length, so it is refused before anything is read from it.
    std::string input = ppm(300, 200, make_pixels(300, 200, 3));
    std::string out = scratch_ / "out.tif";
    ProcessResult r = run({"-c", "packbits", "/dev/stdin", out}, 0, &input);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "raw2tiff: /dev/stdin: not a regular file (a FIFO)\n");
    EXPECT_EQ(listing(), std::vector<std::string>{});
}

TEST_F(Raw2tiff, ReportsFailedWritesAndLeavesNoPartialFile) {
    std::string in = scratch_ / "in.ppm", out = scratch_ / "out.tif";
    write_file(in, ppm(300, 200, make_pixels(300, 200, 7)));
    ASSERT_EQ(run({"-c", "packbits", in, out}).exit_code, 0);
    const uint64_t size = read_file(out).size();
    // The limit also caps stderr, so it stays above the length of our message.
    for (uint64_t limit : {uint64_t(256), uint64_t(4096), size - 1}) {
        SCOPED_TRACE(limit);
        write_file(out, "keep me");
        ProcessResult r = run({"-c", "packbits", in, out}, limit);
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_EQ(r.err, "raw2tiff: " + out + ": File too large\n");
        EXPECT_TRUE(read_file(out) == "keep me");
        EXPECT_EQ(listing(), (std::vector<std::string>{"in.ppm", "out.tif"}));
    }
}

}  // namespace
