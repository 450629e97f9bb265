// The atomic output file in-process, built twice: with unnamed files
// (O_TMPFILE) and with the named temporary file used where there are none.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "atomic_output.h"
#include "test_support.h"

namespace {

// What the directory shows while the output is open: nothing new, or the
// one temporary name ".out.XXXXXX".
void expect_open_output_shows(const ScratchDir& dir, const std::vector<std::string>& before) {
    std::vector<std::string> now = list_dir(dir.path);
#ifdef ATOMIC_OUTPUT_WITHOUT_TMPFILE
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

struct AtName {
    const char* what;
    std::function<void(const ScratchDir&)> put;
};

const AtName kAtName[] = {
    {"nothing", [](const ScratchDir&) {}},
    {"a file", [](const ScratchDir& d) { write_file(d / "out", "old"); }},
    {"a link to a file", [](const ScratchDir& d) {
         write_file(d / "target", "old");
         symlink("target", (d / "out").c_str());
     }},
    {"a dangling link", [](const ScratchDir& d) { symlink("nothing", (d / "out").c_str()); }},
};

TEST(AtomicOutput, CommitReplacesTheNameAbortLeavesItAsItWas) {
    for (const AtName& s : kAtName) {
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
                struct stat st;
                ASSERT_EQ(lstat((dir / "out").c_str(), &st), 0);
                EXPECT_TRUE(S_ISREG(st.st_mode));
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
}

// SIGTERM while the output is open: the process dies of it, and the
// directory is as it was.
TEST(AtomicOutput, ASignalLeavesNothing) {
    ScratchDir dir;
    pid_t pid = fork();
    if (pid == 0) {
        AtomicOutput out;
        ToolError error;
        if (atomic_output_open(&out, (dir / "out").c_str(), &error) != 0) _exit(3);
        if (atomic_output_write(&out, "partial", 7, &error) != 0) _exit(4);
        raise(SIGTERM);
        _exit(5);
    }
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(list_dir(dir.path), std::vector<std::string>{});
}

}  // namespace
