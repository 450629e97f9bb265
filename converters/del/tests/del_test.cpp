// del as the programs run it: files go, directories stay, links go
// themselves, and a missing file is no error.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

TEST(Del, RemovesFilesOnly) {
    struct Case {
        const char* what;
        const char* name;
        int status;
        const char* err;  // after "del: NAME", or none
        bool removed;
    } cases[] = {
        {"a file", "file", 0, nullptr, true},
        {"a missing file", "missing", 0, nullptr, false},
        {"a directory", "dir", 1, ": Is a directory\n", false},
        {"a link to a file: the link, not the file", "link", 0, nullptr, true},
        {"a link to a directory: the link", "dirlink", 0, nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        write_bytes(dir / "file", {1});
        write_bytes(dir / "target", {2});
        ASSERT_EQ(mkdir((dir / "dir").c_str(), 0700), 0);
        ASSERT_EQ(symlink("target", (dir / "link").c_str()), 0);
        ASSERT_EQ(symlink("dir", (dir / "dirlink").c_str()), 0);
        ProcessResult r = run_process({DEL_PATH, c.name}, dir.path);
        EXPECT_EQ(r.exit_code, c.status);
        EXPECT_EQ(r.err, c.err ? std::string("del: ") + c.name + c.err : "");
        std::vector<std::string> left = {"dir", "dirlink", "file", "link", "target"};
        if (c.removed) left.erase(std::find(left.begin(), left.end(), c.name));
        EXPECT_EQ(list_dir(dir.path), left);
    }
}

TEST(Del, GoesOnAfterARefusal) {
    ScratchDir dir;
    write_bytes(dir / "a", {1});
    write_bytes(dir / "b", {2});
    ASSERT_EQ(mkdir((dir / "d").c_str(), 0700), 0);
    ProcessResult r = run_process({DEL_PATH, "a", "d", "missing", "b"}, dir.path);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "del: d: Is a directory\n");
    EXPECT_EQ(list_dir(dir.path), std::vector<std::string>{"d"});
}

}  // namespace
