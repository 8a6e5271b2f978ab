// Runs checks in a forked child so that process-wide settings (the string encoding, the
// environment's locale) start fresh for each case.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <sstream>
#include <string>

namespace trvtest {

// Failures of CHILD_EXPECT are counted here and become the child's exit code.
inline int& childFailures()
{
    static int failures = 0;
    return failures;
}

#define CHILD_EXPECT_EQ(actual, expected)                                                              \
    do {                                                                                               \
        const auto& a_ = (actual);                                                                     \
        const auto& e_ = (expected);                                                                   \
        if (!(a_ == e_)) {                                                                             \
            std::ostringstream s_;                                                                     \
            s_ << __FILE__ << ":" << __LINE__ << ": " #actual " is [" << a_ << "], expected [" << e_ << "]"; \
            std::fprintf(stderr, "%s\n", s_.str().c_str());                                            \
            ++trvtest::childFailures();                                                                \
        }                                                                                              \
    } while (0)

// Forks, runs body in the child and expects it to finish without a failed CHILD_EXPECT.
inline void inChild(const std::function<void()>& body)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        body();
        std::fflush(nullptr);
        _exit(childFailures() > 100 ? 100 : childFailures());
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "child ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failed checks in the child";
}

}  // namespace trvtest
