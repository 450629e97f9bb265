// The atomic output file in-process: on POSIX built twice, with unnamed
// files (O_TMPFILE) and with the named temporary file used where there are
// none; on Windows with its temporary file marked for deletion. The cases
// with symbolic links and signals are in atomic_output_posix_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "atomic_output.h"
#include "atomic_output_test.h"
#include "test_support.h"

void expect_open_output_shows(const ScratchDir& dir, const std::vector<std::string>& before) {
    std::vector<std::string> now = list_dir(dir.path);
#ifdef ATOMIC_OUTPUT_SHOWS_TEMP_NAME
    ASSERT_EQ(now.size(), before.size() + 1);
    std::string temp;
    for (const std::string& n : now)
        if (std::find(before.begin(), before.end(), n) == before.end()) temp = n;
    EXPECT_EQ(temp.size(), std::string(".out.XXXXXX").size());
    EXPECT_EQ(temp.rfind(".out.", 0), 0u) << temp;
#else
    EXPECT_EQ(now, before);
#endif
}

void expect_commit_replaces_abort_keeps(const AtName& s) {
    for (bool commit : {true, false}) {
        SCOPED_TRACE(std::string(s.what) + (commit ? ", commit" : ", abort"));
        ScratchDir dir;
        s.put(dir);
        const std::vector<std::string> before = list_dir(dir.path);
        const std::string old_out = read_file(dir / "out");
        AtomicOutput out;
        ToolError error;
        ASSERT_EQ(atomic_output_open(&out, (dir / "out").c_str(), &error), 0) << error.reason;
        ASSERT_EQ(atomic_output_write(&out, "new", 3, &error), 0) << error.reason;
        expect_open_output_shows(dir, before);
        if (commit) {
            ASSERT_EQ(atomic_output_commit(&out, &error), 0) << error.reason;
            EXPECT_EQ(std::filesystem::symlink_status(dir / "out").type(), std::filesystem::file_type::regular);
            EXPECT_EQ(read_file(dir / "out"), "new");
            std::vector<std::string> after = before;
            if (std::find(after.begin(), after.end(), "out") == after.end()) after.push_back("out");
            std::sort(after.begin(), after.end());
            EXPECT_EQ(list_dir(dir.path), after);
        } else {
            atomic_output_abort(&out);
            EXPECT_EQ(list_dir(dir.path), before);
            EXPECT_EQ(read_file(dir / "out"), old_out);
        }
        if (file_exists(dir / "target")) {
            EXPECT_EQ(read_file(dir / "target"), "old");
        }
    }
}

namespace {

TEST(AtomicOutput, CommitReplacesTheNameAbortLeavesItAsItWas) {
    const AtName cases[] = {
        {"nothing", [](const ScratchDir&) {}},
        {"a file", [](const ScratchDir& d) { write_file(d / "out", "old"); }},
        {"another file beside it", [](const ScratchDir& d) { write_file(d / "other", "old"); }},
    };
    for (const AtName& s : cases) expect_commit_replaces_abort_keeps(s);
}

// Bytes go through unchanged (binary, on Windows too) and a directory at
// the name is refused before anything is created.
TEST(AtomicOutput, BinaryBytesAndARefusedDirectory) {
    ScratchDir dir;
    const std::string bytes("a\nb\r\nc\x1a\0d\n", 10);
    AtomicOutput out;
    ToolError error;
    ASSERT_EQ(atomic_output_open(&out, (dir / "out").c_str(), &error), 0) << error.reason;
    ASSERT_EQ(atomic_output_write(&out, bytes.data(), bytes.size(), &error), 0) << error.reason;
    ASSERT_EQ(atomic_output_commit(&out, &error), 0) << error.reason;
    EXPECT_TRUE(read_file(dir / "out") == bytes);

    std::filesystem::create_directory(dir / "sub");
    for (const std::string& name : {dir / "sub", dir / "sub/", dir / "missing/out"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(atomic_output_open(&out, name.c_str(), &error), -1);
        EXPECT_EQ(std::string(error.reason),
                  name.find("missing") == std::string::npos ? "Is a directory" : "No such file or directory");
        atomic_output_abort(&out);
    }
    EXPECT_EQ(list_dir(dir.path), (std::vector<std::string>{"out", "sub"}));
    EXPECT_EQ(list_dir(dir / "sub"), std::vector<std::string>{});
}

}  // namespace
