// Sizes past 2 GiB are measured whole on every platform (a sparse file).
#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"
#include "work_files.h"

namespace {

TEST(WorkFiles, SizesPastTwoGibibytesAreMeasuredWhole) {
    ScratchDir dir;
    std::string path = dir / "big.raw";
    write_bytes(path, {1});
    const uintmax_t size = (uintmax_t{3} << 30) + 5;
    std::filesystem::resize_file(path, size);
    FileProbe probe;
    ASSERT_EQ(probe_file(path.c_str(), &probe), 0);
    EXPECT_EQ(probe.kind, FileKind::Regular);
    EXPECT_EQ(static_cast<uintmax_t>(probe.size), size);
}

}  // namespace
