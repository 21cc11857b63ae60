#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "Engine/Log.h"

namespace {

std::string capture(const std::function<void()>& body) {
    testing::internal::CaptureStdout();
    body();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

struct LineCase {
    int32_t outer_category;
    int32_t inner_category;
    int32_t level;
    const char* expected;
};

class LogLine : public testing::TestWithParam<LineCase> {};

TEST_P(LogLine, EscapeCategoryAndIndentColumn) {
    const LineCase& c = GetParam();
    std::string out = capture([&] {
        LogGuard outer(LogLevelInfo, c.outer_category, 1);
        LogGuard inner(c.level, c.inner_category, 1);
        LOGF("msg {}", 7);
    });
    EXPECT_EQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Scopes, LogLine,
                         testing::Values(
                             // indent 2: "[Engine]" is 8 wide, two spaces bring the message to column 10.
                             LineCase{LogLaunch, LogEngine, LogLevelInfo, "\x1b[39m[Engine]  msg 7\n"},
                             // "[Scene]" is 7 wide: three spaces.
                             LineCase{LogEngine, LogScene, LogLevelInfo, "\x1b[39m[Scene]   msg 7\n"},
                             LineCase{LogLaunch, LogPhysics, LogLevelError, "\x1b[31m[Physics] msg 7\n"},
                             LineCase{LogLaunch, LogTest, LogLevelTrace, "\x1b[94m[Test]    msg 7\n"}));

TEST(Log, LongCategoryGetsNoSpaces) {
    // indent 1 with "Physics" (7 letters): 1 - 7 + 6 = 0 spaces.
    std::string out = capture([] {
        LogGuard g(LogLevelWarning, LogPhysics, 1);
        log_message(__FILE__, __LINE__, "x");
    });
    EXPECT_EQ(out, "\x1b[93m[Physics]x\n");
}

TEST(Log, GuardPopsOnEarlyExit) {
    size_t before = log_depth();
    auto body = [](bool leave) {
        LogGuard g(LogLevelInfo, LogTest, 1);
        if (leave) {
            return 1;
        }
        return 2;
    };
    EXPECT_EQ(body(true), 1);
    EXPECT_EQ(log_depth(), before);
}

TEST(Log, IndentAccumulatesAcrossScopes) {
    std::string out = capture([] {
        LogGuard a(LogLevelInfo, LogTest, 4);
        LogGuard b(LogLevelInfo, LogTest, 3);
        LOGF("deep");
    });
    // indent 7: 7 - 4 + 6 = 9 spaces after "[Test]".
    EXPECT_EQ(out, "\x1b[39m[Test]" + std::string(9, ' ') + "deep\n");
}

} // namespace
