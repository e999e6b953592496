// Stop signals, and a Quit that starts their deadline, always end the
// process: in time when the event loop never comes back to the socket, once
// however often the deadline is started, and without blocking or touching
// errno in the handler however many signals arrive. Each case runs in a
// child process.
#include "platform/SignalPipe.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace zelvora {
namespace {

using namespace std::chrono_literals;

constexpr char kNote[] = "the clipboard was not cleared";

// What the child does once it catches the stop signals; its exit status is
// what the case expects unless the deadline ends it first.
enum class Child {
    Spin,                 // a loop that never looks at the socket
    EndOnSignal,          // an event loop that ends when the socket says so
    FloodAndCheck,        // many signals, none taken off: errno must survive each
    QuitHangs,            // the deadline started without a signal, then a spin
    QuitTwiceThenSignal,  // started twice and signalled, then a spin
    QuitEndsItself,       // started, then the clearing ends well in time
};

void RunChild(Child what, int ready) {
    const int fd = CatchStopSignals(what == Child::FloodAndCheck ? 10s : 300ms, kNote);
    if (fd < 0) {
        _exit(3);
    }
    if (TakeStopSignal(fd) || StopRequested()) {
        _exit(4);  // a stop reported that nobody sent
    }
    [[maybe_unused]] auto said = ::write(ready, "x", 1);
    switch (what) {
        case Child::Spin:
            for (volatile bool spin = true; spin;) {
            }
            break;
        case Child::EndOnSignal: {
            pollfd readable{fd, POLLIN, 0};
            while (::poll(&readable, 1, -1) < 0 && errno == EINTR) {
            }
            _exit(TakeStopSignal(fd) && StopRequested() ? 0 : 5);
        }
        case Child::QuitHangs:
        case Child::QuitTwiceThenSignal:
        case Child::QuitEndsItself:
            StartStopDeadline();
            // Quit was asked for already: the loop must not hear of it, and
            // a stop that did not come must not be reported.
            if (TakeStopSignal(fd) || StopRequested()) {
                _exit(9);
            }
            if (what == Child::QuitTwiceThenSignal) {
                StartStopDeadline();
                ::raise(SIGTERM);
            }
            if (what == Child::QuitEndsItself) {
                ::usleep(50000);
                _exit(0);
            }
            for (volatile bool spin = true; spin;) {
            }
            break;
        case Child::FloodAndCheck:
            // Far more than the socket holds: a handler that blocks on a
            // full socket never returns from here.
            for (int i = 0; i < 20000; ++i) {
                errno = EDOM;
                ::raise(SIGTERM);
                if (errno != EDOM) {
                    _exit(6);
                }
            }
            _exit(TakeStopSignal(fd) ? 0 : 7);
    }
    _exit(8);
}

struct Case {
    const char* name;
    Child child;
    bool sendSignal;
    int status;        // the exit status expected
    bool noteWritten;  // the deadline's note on standard error
    std::chrono::milliseconds within;
};

class SignalPipeTest : public ::testing::TestWithParam<Case> {};

TEST_P(SignalPipeTest, StopSignalEndsTheProcess) {
    const Case& c = GetParam();
    int ready[2], errors[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(errors), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(errors[1], STDERR_FILENO);
        ::close(ready[0]);
        ::close(errors[0]);
        RunChild(c.child, ready[1]);
    }
    ::close(ready[1]);
    ::close(errors[1]);
    char byte;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1) << "the child did not get ready";
    const auto sent = std::chrono::steady_clock::now();
    if (c.sendSignal) {
        ::kill(child, SIGTERM);
    }

    int status = 0;
    pid_t ended = 0;
    while ((ended = ::waitpid(child, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() - sent < c.within) {
        ::usleep(10000);
    }
    if (ended == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        FAIL() << "still running " << c.within.count() << " ms after the stop";
    }
    std::string said;
    char buffer[256];
    for (ssize_t got; (got = ::read(errors[0], buffer, sizeof buffer)) > 0;) {
        said.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(ready[0]);
    ::close(errors[0]);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), c.status);
    EXPECT_EQ(said, c.noteWritten ? std::string(kNote) + "\n" : "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SignalPipeTest,
    ::testing::Values(
        // The grace is 300 ms; the slack covers a loaded machine.
        Case{"LoopNeverReturns", Child::Spin, true, 1, true, 3s},
        Case{"LoopEndsItself", Child::EndOnSignal, true, 0, false, 3s},
        Case{"ManySignalsNeverBlock", Child::FloodAndCheck, false, 0, false, 8s},
        // The note is compared whole: a second deadline would write it twice.
        Case{"QuitHangs", Child::QuitHangs, false, 1, true, 3s},
        Case{"QuitTwiceThenSignal", Child::QuitTwiceThenSignal, false, 1, true, 3s},
        Case{"QuitEndsItself", Child::QuitEndsItself, false, 0, false, 3s}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelvora
