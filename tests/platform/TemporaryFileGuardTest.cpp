#include "platform/TemporaryFileGuard.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace zelvora {
namespace {

namespace fs = std::filesystem;

struct StopCase {
    const char* name;
    int signal;
    bool released;  // the file got its name before the signal came
};

class TemporaryFileGuardTest : public ::testing::TestWithParam<StopCase> {};

// The child makes the temporary, says its name and is stopped by the signal,
// as the key generator would be half way through writing a private key.
TEST_P(TemporaryFileGuardTest, SignalLeavesNoTemporaryBehind) {
    const auto& c = GetParam();
    QTemporaryDir dir;
    int names[2];
    ASSERT_EQ(::pipe(names), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TemporaryFileGuard guard;
        const int fd = guard.Create(fs::path(dir.path().toStdString()) / ".key-XXXXXX");
        const std::string name = fd < 0 ? std::string() : guard.Path().string();
        (void)!::write(fd, "secret", 6);
        if (c.released) {
            guard.Release();
        }
        (void)!::write(names[1], name.c_str(), name.size());
        ::close(names[1]);
        ::raise(c.signal);
        ::_exit(0);
    }
    ::close(names[1]);
    char buffer[4096] = {};
    const ssize_t got = ::read(names[0], buffer, sizeof buffer - 1);
    ::close(names[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_GT(got, 0) << "the temporary was not made";
    ASSERT_TRUE(WIFSIGNALED(status)) << "the signal did not end the process";
    EXPECT_EQ(WTERMSIG(status), c.signal);
    EXPECT_EQ(fs::exists(buffer), c.released) << buffer;
}

INSTANTIATE_TEST_SUITE_P(Signals, TemporaryFileGuardTest,
                         ::testing::Values(StopCase{"Term", SIGTERM, false},
                                           StopCase{"Int", SIGINT, false},
                                           StopCase{"Hup", SIGHUP, false},
                                           // Once named, the file is the user's key file.
                                           StopCase{"TermAfterRelease", SIGTERM, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelvora
