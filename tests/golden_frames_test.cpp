// Frames whose TIFFs were made once and kept: every build on every platform
// must give these bytes exactly, and the progress text with them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "program_runs.h"

namespace {

namespace fs = std::filesystem;

struct Golden {
    const char* program;
    const char* set;  // a folder of tests/data/golden
    std::vector<std::string> args;
    std::vector<std::string> tiffs;
};

TEST(GoldenFrames, EveryBuildGivesTheKeptBytes) {
    const Golden cases[] = {
        {kFieldweaver, "weave", {"0", "2", "8", "3"}, {"im00000.tif", "im00001.tif"}},
        {kFramehalver, "halve", {"0", "1", "8", "4"}, {"im00000.tif", "im00001.tif"}},
    };
    for (const Golden& c : cases) {
        SCOPED_TRACE(c.set);
        const fs::path kept = fs::path(GOLDEN_DIR) / c.set;
        Sequence s;
        for (const fs::directory_entry& e : fs::directory_iterator(kept))
            if (e.path().extension() == ".gif") fs::copy_file(e.path(), fs::path(s.dir.path) / e.path().filename());
        ProcessResult r = s.run(c.program, c.args);
        EXPECT_EQ(r.exit_code, 0) << r.err;
        EXPECT_EQ(r.err, "");
        std::vector<uint8_t> kept_out = read_bytes((kept / "stdout.txt").string());
        EXPECT_EQ(r.out, as_console_text(std::string(kept_out.begin(), kept_out.end())));
        for (const std::string& tif : c.tiffs)
            EXPECT_TRUE(read_bytes(s.dir / tif) == read_bytes((kept / tif).string())) << tif << " differs";
    }
}

}  // namespace
