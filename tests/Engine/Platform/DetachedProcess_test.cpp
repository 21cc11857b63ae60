#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include <sys/wait.h>

#include "Engine/Platform/DetachedProcess.h"

namespace {

// The real launcher with a program that does not exist: the failure comes back as a result, and the child
// process in between is reaped.
TEST(DetachedProcess, MissingProgramIsReportedAndLeavesNoChild) {
    for (const char* program : {"/nonexistent/pellmar-no-such-opener", "pellmar-no-such-opener"}) {
        const Result result = launch_detached({program, "https://example.org/"});
        EXPECT_TRUE(result.failed) << program;
        EXPECT_NE(result.message.find("No such file"), std::string::npos) << result.message;
        errno = 0;
        EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "no child left behind";
        EXPECT_EQ(errno, ECHILD);
    }
    EXPECT_TRUE(launch_detached({}).failed);
}

TEST(DetachedProcess, ProgramThatExistsStartsWithoutWaitingOnIt) {
    const Result result = launch_detached({"true"});
    EXPECT_FALSE(result.failed) << result.message;
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "only the adopted grandchild runs it";
    EXPECT_EQ(errno, ECHILD);
}

} // namespace
