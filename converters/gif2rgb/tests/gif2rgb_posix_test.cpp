// POSIX only: a write cut short by a file-size limit, and a FIFO as the
// output, written in place.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "gif2rgb_tool_test.h"
#include "test_support.h"

namespace {

TEST_F(Gif2rgbTool, AFileSizeLimitFailsTheWriteAndLeavesNothing) {
    // A file size limit makes the write fail part-way, as a full disk would.
    std::string gif = fixture_dir() + "/plain.gif";
    std::string out = dir_ + "/out.raw";
    ProcessResult full = run_process({"/bin/sh", "-c", "ulimit -f 1; trap '' XFSZ; exec \"$0\" -1 -o \"$1\" \"$2\"",
                                      gif2rgb_path(), out, gif},
                                     dir_);
    EXPECT_EQ(full.exit_code, 1);
    EXPECT_EQ(full.err, "gif2rgb: " + out + ": File too large\n");
    EXPECT_EQ(list_dir(dir_), std::vector<std::string>{});
}

TEST_F(Gif2rgbTool, WritesIntoAPipeInPlace) {
    // Like /dev/null or /dev/stdout: renaming over it would replace the node.
    std::string fifo = dir_ + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    std::string fixture = fixture_dir() + "/plain";
    ProcessResult r = convert(fixture + ".gif", fifo);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    std::string got(4096, '\0');
    ssize_t n = read(reader, &got[0], got.size());
    close(reader);
    got.resize(n > 0 ? static_cast<size_t>(n) : 0);
    EXPECT_TRUE(got == read_file(fixture + ".rgb"));
    struct stat st;
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

}  // namespace
