#include "platform/TemporaryFileGuard.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <string>
#include <unistd.h>

namespace zelvora {
namespace {

constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};

// What the handler needs, in plain memory it may read at any moment.
char pendingPath[PATH_MAX];
volatile sig_atomic_t pending = 0;
std::array<struct sigaction, kSignals.size()> previous{};

// Only async-signal-safe calls: unlink, then the signal's usual effect.
void OnSignal(int signal) {
    if (pending != 0) {
        ::unlink(pendingPath);
        pending = 0;
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// Holds the three signals back while the name and the handler change, so
// none finds them half set.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (int signal : kSignals) {
            sigaddset(&set, signal);
        }
        ::sigprocmask(SIG_BLOCK, &set, &before_);
    }
    ~SignalsHeld() { ::sigprocmask(SIG_SETMASK, &before_, nullptr); }

private:
    sigset_t before_;
};

}  // namespace

int TemporaryFileGuard::Create(std::filesystem::path pattern) {
    std::string name = pattern.string();
    if (watching_ || name.size() >= sizeof pendingPath) {
        errno = watching_ ? EBUSY : ENAMETOOLONG;
        return -1;
    }
    const SignalsHeld held;
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    path_ = name;
    std::memcpy(pendingPath, name.c_str(), name.size() + 1);
    pending = 1;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &action, &previous[i]);
    }
    watching_ = true;
    return fd;
}

void TemporaryFileGuard::Release() noexcept {
    if (!watching_) {
        return;
    }
    const SignalsHeld held;
    pending = 0;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &previous[i], nullptr);
    }
    watching_ = false;
}

TemporaryFileGuard::~TemporaryFileGuard() {
    Release();
}

}  // namespace zelvora
