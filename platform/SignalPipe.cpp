#include "platform/SignalPipe.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <initializer_list>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace zelvora {
namespace {

// [0] written by the handler, [1] watched by the event loop.
int loopEnds[2] = {-1, -1};
// [0] written by the handler, [1] read by the deadline thread.
int deadlineEnds[2] = {-1, -1};
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

// Nothing that can block: a full socket already holds a byte that says the
// same, so a write that would block is dropped. The deadline thread reads
// one byte only, so any number of starts end the process once.
void WakeDeadline() {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(deadlineEnds[0], &byte, 1);
}

// Only async-signal-safe work here. The interrupted code may be about to
// read errno.
void OnSignal(int) {
    const int saved = errno;
    stopRequested.store(true);
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(loopEnds[0], &byte, 1);
    WakeDeadline();
    errno = saved;
}

void CloseSocketPair(int (&ends)[2]) {
    ::close(ends[0]);
    ::close(ends[1]);
    // A later StartStopDeadline must find no end to write to: the number
    // may by then belong to a file of the program's.
    ends[0] = ends[1] = -1;
}

bool MakeSocketPair(int (&ends)[2]) {
    int made[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, made) != 0) {
        return false;
    }
    ends[0] = made[0];
    ends[1] = made[1];
    if (::fcntl(ends[0], F_SETFL, ::fcntl(ends[0], F_GETFL) | O_NONBLOCK) != 0) {
        CloseSocketPair(ends);
        return false;
    }
    return true;
}

// Waits for the first stop signal, then for the grace time, and ends the
// process. Reads only its own socket, so it wakes whatever the thread that
// got the signal is doing.
void EndAfterGrace(int fd, std::chrono::milliseconds grace, std::string note) {
    char byte;
    while (::read(fd, &byte, 1) < 0 && errno == EINTR) {
    }
    const auto deadline = std::chrono::steady_clock::now() + grace;
    for (auto now = std::chrono::steady_clock::now(); now < deadline;
         now = std::chrono::steady_clock::now()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        ::poll(nullptr, 0, static_cast<int>(left.count()));
    }
    note += '\n';
    // Standard error may be a pipe that nobody reads: one try, then end.
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, note.data(), note.size());
    std::_Exit(EXIT_FAILURE);
}

}  // namespace

int CatchStopSignals(std::chrono::milliseconds grace, std::string_view note) {
    if (!MakeSocketPair(loopEnds)) {
        return -1;
    }
    if (!MakeSocketPair(deadlineEnds)) {
        CloseSocketPair(loopEnds);
        return -1;
    }
    // The thread must not take the signals itself: they belong to the
    // thread that runs the event loop, whose blocking calls they interrupt.
    sigset_t stops, previous;
    sigemptyset(&stops);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaddset(&stops, signal);
    }
    ::pthread_sigmask(SIG_BLOCK, &stops, &previous);
    bool started = true;
    try {
        std::thread(EndAfterGrace, deadlineEnds[1], grace, std::string(note)).detach();
    } catch (...) {
        // No thread to bound the clearing (no memory, or the system's
        // limit on threads): the signals are left as they were.
        started = false;
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (!started) {
        CloseSocketPair(deadlineEnds);
        CloseSocketPair(loopEnds);
        return -1;
    }

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    return loopEnds[1];
}

void StartStopDeadline() {
    if (deadlineEnds[0] >= 0) {
        WakeDeadline();
    }
}

bool TakeStopSignal(int fd) {
    // All that are waiting at once: several signals ask for one stop.
    char bytes[64];
    const auto got = ::recv(fd, bytes, sizeof bytes, MSG_DONTWAIT);
    return got > 0;
}

bool StopRequested() {
    return stopRequested.load();
}

}  // namespace zelvora
