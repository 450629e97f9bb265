// The frame files on POSIX: a write that cannot finish (a file size limit
// standing in for a full disk, which needs rlimits and fork).
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "rgb_image.h"
#include "test_support.h"

namespace {

TEST(RgbImagePosix, WriteThatCannotFinishFailsAndLeavesNothing) {
    ScratchDir dir;
    RgbImage image = {100, 100, nullptr};  // 30000 bytes
    ASSERT_EQ(image_alloc(&image), 0);
    std::string path = dir / "big.ppm";
    pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {10000, 10000};
        setrlimit(RLIMIT_FSIZE, &limit);
        int ppm = image_write_ppm(path.c_str(), &image);
        int raw = image_write_raw(path.c_str(), &image);
        _exit(ppm == -1 && raw == -1 ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    image_free(&image);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a truncated write was reported as success";
    EXPECT_FALSE(file_exists(path)) << "a truncated file was left behind";
}

}  // namespace
