// Commands on Windows: %COMSPEC% /c LINE, cmd.exe when COMSPEC names no
// program, and cmd's status for a command it cannot find.
#include <windows.h>

#include <gtest/gtest.h>

#include "run_command.h"

namespace {

TEST(RunCommandWin32, StatusFollowsTheCommand) {
    EXPECT_EQ(run_command("exit %d", 0), 0);
    EXPECT_EQ(run_command("exit %d", 3), -1);
    EXPECT_EQ(last_command_outcome()->exit_status, 3);
    char text[TEXT_BUFFER_SIZE];
    EXPECT_EQ(run_command("%s", "no-such-command-here 2>nul"), -1);
    describe_command_outcome(last_command_outcome(), text);
    EXPECT_STREQ(text, "command not found (exit status 9009)");
}

TEST(RunCommandWin32, ComspecThatNamesNoProgramFallsBackToCmd) {
    const char* const comspecs[] = {"C:\\no\\such\\interpreter.exe", nullptr};
    for (const char* comspec : comspecs) {
        SetEnvironmentVariableA("COMSPEC", comspec);
        EXPECT_EQ(run_command("exit %d", 4), -1) << (comspec ? comspec : "unset");
        EXPECT_EQ(last_command_outcome()->not_run, 0);
        EXPECT_EQ(last_command_outcome()->exit_status, 4);
    }
}

}  // namespace
