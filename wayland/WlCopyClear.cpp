#include "wayland/WlCopyClear.h"

#include "platform/SignalPipe.h"

#include <QGuiApplication>

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace zelvora {
namespace {

// Runs `wl-copy` with the arguments and waits for it, at most until the
// deadline: one that hangs is killed.
std::expected<void, Error> RunWlCopy(std::vector<const char*> arguments,
                                     std::chrono::steady_clock::time_point deadline) {
    arguments.insert(arguments.begin(), "wl-copy");
    arguments.push_back(nullptr);
    pid_t child = 0;
    const int spawned = ::posix_spawnp(&child, "wl-copy", nullptr, nullptr,
                                       const_cast<char* const*>(arguments.data()), environ);
    if (spawned != 0) {
        return std::unexpected(Error{WlCopyClear::kNotRun});
    }
    int status = 0;
    for (;;) {
        const pid_t ended = ::waitpid(child, &status, WNOHANG);
        if (ended == child || (ended < 0 && errno != EINTR)) {
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return std::unexpected(Error{WlCopyClear::kFailed});
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::unexpected(Error{WlCopyClear::kFailed});
    }
    return {};
}

}  // namespace

WlCopyClear::WlCopyClear(std::chrono::milliseconds timeout, std::function<bool()> windowClears)
    : timeout_(timeout), windowClears_(std::move(windowClears)) {}

bool WlCopyClear::WindowHasFocusAndNoStop() {
    return QGuiApplication::focusWindow() != nullptr && !StopRequested();
}

std::expected<void, Error> WlCopyClear::Clear(Selections which) {
    if (windowClears_ && windowClears_()) {
        return {};
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout_;
    std::expected<void, Error> result;
    if (which.clipboard) {
        result = RunWlCopy({"--clear"}, deadline);
    }
    if (which.primary) {
        // The primary selection is tried even when the clipboard failed.
        auto primary = RunWlCopy({"--primary", "--clear"}, deadline);
        if (result) {
            result = std::move(primary);
        }
    }
    return result;
}

}  // namespace zelvora
