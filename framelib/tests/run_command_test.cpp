#include "run_command.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "interrupt_watch.h"
#include "test_support.h"

namespace {

TEST(RunCommand, StatusFollowsTheCommand) {
    EXPECT_EQ(run_command("exit %d", 0), 0);
    EXPECT_EQ(run_command("exit %d", 3), -1);
    EXPECT_EQ(last_command_outcome()->exit_status, 3);
    char text[TEXT_BUFFER_SIZE];
    describe_command_outcome(last_command_outcome(), text);
    EXPECT_STREQ(text, "exited with status 3");

    EXPECT_EQ(run_command("%s", "no-such-command-here 2>/dev/null"), -1);
    describe_command_outcome(last_command_outcome(), text);
    EXPECT_STREQ(text, "command not found (exit status 127)");
}

TEST(RunCommand, NeverRunsALineThatDoesNotFit) {
    ScratchDir dir;
    std::string marker = dir / "ran";
    std::string padding(300, ' ');
    EXPECT_EQ(run_command("touch %s%s", marker.c_str(), padding.c_str()), -1);
    EXPECT_FALSE(file_exists(marker));
    char text[TEXT_BUFFER_SIZE];
    describe_command_outcome(last_command_outcome(), text);
    EXPECT_STREQ(text, "command line longer than 255 characters, not run");
    // 255 characters fit.
    std::string fits = "touch " + marker;
    fits += std::string(255 - fits.size(), ' ');
    EXPECT_EQ(run_command("%s", fits.c_str()), 0);
    EXPECT_TRUE(file_exists(marker));
}

// Our pending output reaches a file or pipe before the command's own.
TEST(RunCommand, FlushesStandardOutputFirst) {
    ScratchDir dir;
    std::string log = dir / "log";
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        std::printf("before ");
        run_command("echo %s", "command");
        std::printf("after\n");
        std::fflush(stdout);
        _exit(0);
    }
    int status;
    waitpid(pid, &status, 0);
    std::vector<uint8_t> bytes = read_bytes(log);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "before command\nafter\n");
}

// A command ended by Ctrl-C asks the whole run to stop.
TEST(RunCommand, CommandKilledByInterruptIsNoted) {
    pid_t pid = fork();
    if (pid == 0) {
        interrupt_watch_begin();
        int status = run_command("kill -INT $$");
        _exit(status == -1 && interrupt_requested() == SIGINT && last_command_outcome()->signal == SIGINT ? 0 : 1);
    }
    int status;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
