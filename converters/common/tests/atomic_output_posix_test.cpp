// The atomic output file with what only POSIX has: symbolic links at the
// name, and a process that dies of a signal while the output is open.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "atomic_output.h"
#include "atomic_output_test.h"
#include "test_support.h"

namespace {

TEST(AtomicOutput, ALinkAtTheNameIsReplacedNotFollowed) {
    const AtName cases[] = {
        {"a link to a file",
         [](const ScratchDir& d) {
             write_file(d / "target", "old");
             symlink("target", (d / "out").c_str());
         }},
        {"a dangling link", [](const ScratchDir& d) { symlink("nothing", (d / "out").c_str()); }},
    };
    for (const AtName& s : cases) expect_commit_replaces_abort_keeps(s);
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
