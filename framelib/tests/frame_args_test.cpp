#include "frame_args.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(FrameArgs, NumbersReadLikeAtoiWithinRange) {
    struct Case {
        const char* text;
        int status;
        int32_t value;
    } cases[] = {
        {"42", 0, 42},
        {"  \t42", 0, 42},
        {"+7", 0, 7},
        {"-3", 0, -3},
        {"abc", 0, 0},
        {"", 0, 0},
        {"12abc", 0, 12},
        {"- 5", 0, 0},
        {"0007", 0, 7},
        {"2147483647", 0, INT32_MAX},
        {"-2147483648", 0, INT32_MIN},
        {"2147483648", -1, 0},
        {"-2147483649", -1, 0},
        {"99999999999999999999999", -1, 0},
    };
    for (const Case& c : cases) {
        int32_t value = 0;
        EXPECT_EQ(parse_frame_number(c.text, &value), c.status) << '"' << c.text << '"';
        if (c.status == 0) {
            EXPECT_EQ(value, c.value) << '"' << c.text << '"';
        }
    }
}

TEST(FrameArgs, ArgumentCounts) {
    struct Case {
        std::vector<const char*> args;
        int result, exit_status;
        FrameArgs parsed;
    } cases[] = {
        {{"p"}, -1, 0, {}},
        {{"p", "1"}, -1, 0, {}},
        {{"p", "1", "5"}, 0, 0, {1, 5, 720, 270}},
        {{"p", "1", "5", "64"}, -1, 2, {}},  // a width without a height
        {{"p", "1", "5", "64", "32"}, 0, 0, {1, 5, 64, 32}},
        {{"p", "1", "5", "64", "32", "junk"}, 0, 0, {1, 5, 64, 32}},
        {{"p", "x", "y", "z", "w"}, 0, 0, {0, 0, 0, 0}},  // sizes are checked separately
        {{"p", "1", "5000000000"}, -1, 2, {}},
    };
    for (const Case& c : cases) {
        std::vector<char*> argv;
        for (const char* a : c.args) argv.push_back(const_cast<char*>(a));
        FrameArgs args{};
        int exit_status = -7;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        int result = parse_frame_args(static_cast<int>(argv.size()), argv.data(), "p", "SYNTAX\n", 720, 270, &args,
                                      &exit_status);
        std::string out = testing::internal::GetCapturedStdout();
        std::string err = testing::internal::GetCapturedStderr();
        SCOPED_TRACE(c.args.size());
        EXPECT_EQ(result, c.result);
        if (result == 0) {
            EXPECT_EQ(std::vector<int>({args.first, args.last, args.width, args.height}),
                      std::vector<int>({c.parsed.first, c.parsed.last, c.parsed.width, c.parsed.height}));
            EXPECT_EQ(out + err, "");
        } else {
            EXPECT_EQ(exit_status, c.exit_status);
            // The syntax message goes to stdout when asked for, with errors to stderr.
            EXPECT_EQ(out, c.exit_status == 0 ? "SYNTAX\n" : "");
            EXPECT_EQ(err.empty(), c.exit_status == 0);
        }
    }
}

TEST(FrameArgs, SizesMustBePositiveAndFitEveryBuffer) {
    const BufferShape halver[] = {{2, 2}, {1, 1}};
    struct Case {
        int32_t w, h;
        bool ok;
        const char* message;
    } cases[] = {
        {2560, 1440, true, ""},
        {1, 1, true, ""},
        {0, 1440, false, "p: invalid size 0 x 1440: width and height must be at least 1\n"},
        {2560, -4, false, "p: invalid size 2560 x -4: width and height must be at least 1\n"},
        {13377, 13377, true, ""},  // 26754 x 26754 x 3 = 2147329548 bytes
        {13378, 13378, false,
         "p: invalid size 13378 x 13378: a 26756 x 26756 frame would need more than 2147483647 bytes\n"},
        {INT32_MAX, INT32_MAX, false,
         "p: invalid size 2147483647 x 2147483647: a 4294967294 x 4294967294 frame would need more than "
         "2147483647 bytes\n"},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        int result = check_frame_size("p", c.w, c.h, halver, 2);
        EXPECT_EQ(result, c.ok ? 0 : -1) << c.w << " x " << c.h;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
    }
}

}  // namespace
