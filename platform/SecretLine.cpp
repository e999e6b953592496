#include "platform/SecretLine.h"

#include "platform/Descriptor.h"
#include "platform/SecretMemory.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace zelvora {
namespace {

constexpr std::uint8_t kLineFeed = '\n';
constexpr std::uint8_t kCarriageReturn = '\r';

// The signals that end a process from the terminal or the session; one of
// them arriving while echo is off must not leave the terminal silent.
constexpr std::array kStopSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// What the handler needs. The mode is written before the descriptor is
// published, and the descriptor is -1 whenever the terminal needs no
// restoring.
termios savedMode{};
volatile std::sig_atomic_t terminalToRestore = -1;
volatile std::sig_atomic_t caughtSignal = 0;
std::array<struct sigaction, kStopSignals.size()> previousActions{};

bool IsDefaultAction(const struct sigaction& action) {
    return (action.sa_flags & SA_SIGINFO) == 0 && action.sa_handler == SIG_DFL;
}

// Async-signal-safe calls only. A signal the process left at its default
// action is raised again under that action; it is blocked while this runs,
// so it ends the process as soon as the handler returns, with the terminal
// already restored. Any other is left for the reading loop to pass on.
void OnStopSignal(int signal) {
    const int savedErrno = errno;
    const int fd = terminalToRestore;
    if (fd >= 0) {
        ::tcsetattr(fd, TCSANOW, &savedMode);
        [[maybe_unused]] const auto written = ::write(fd, "\n", 1);
        terminalToRestore = -1;
    }
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        if (kStopSignals[i] == signal && IsDefaultAction(previousActions[i])) {
            ::sigaction(signal, &previousActions[i], nullptr);
            ::raise(signal);
        }
    }
    caughtSignal = signal;
    errno = savedErrno;
}

// Reads up to the line feed that ends a line in canonical mode. What does
// not fit is read on and dropped, so that it does not reach the shell, and
// reported.
std::expected<std::size_t, int> ReadTypedLine(int fd, std::span<std::uint8_t> into) {
    std::array<std::uint8_t, 64> spill{};
    std::size_t used = 0;
    bool overflowed = false;
    int failure = 0;
    for (;;) {
        if (caughtSignal != 0) {
            failure = EINTR;
            break;
        }
        const bool spilling = used == into.size();
        std::uint8_t* at = spilling ? spill.data() : into.data() + used;
        const std::size_t room = spilling ? spill.size() : into.size() - used;
        const ssize_t got = ::read(fd, at, room);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            failure = errno;
            break;
        }
        if (got == 0) {
            break;  // end of input, Ctrl-D at the start of a line
        }
        const bool ended = at[got - 1] == kLineFeed;
        if (spilling) {
            overflowed = true;
        } else {
            used += static_cast<std::size_t>(got) - (ended ? 1 : 0);
        }
        if (ended) {
            break;
        }
    }
    WipeMemory(spill.data(), spill.size());
    if (failure == 0 && overflowed) {
        failure = EMSGSIZE;
    }
    if (failure != 0) {
        WipeMemory(into.data(), used);
        return std::unexpected(failure);
    }
    return used;
}

}  // namespace

std::expected<std::size_t, int> ReadFirstLine(ReadOnlyFile& file, std::span<std::uint8_t> into) {
    std::size_t used = 0;
    std::uint8_t byte = 0;
    int failure = 0;
    for (;;) {
        const auto got = file.Read(std::span(&byte, 1));
        if (!got) {
            failure = got.error();
            break;
        }
        if (*got == 0 || byte == kLineFeed) {
            break;
        }
        // Stops at once: a file with no line end, /dev/zero say, would
        // otherwise be read for ever.
        if (used == into.size()) {
            failure = EMSGSIZE;
            break;
        }
        into[used++] = byte;
    }
    WipeMemory(&byte, 1);
    if (failure != 0) {
        WipeMemory(into.data(), used);
        return std::unexpected(failure);
    }
    if (used > 0 && into[used - 1] == kCarriageReturn) {
        into[--used] = 0;
    }
    return used;
}

namespace {

std::expected<std::size_t, int> ReadTerminalLine(std::string_view prompt,
                                                 std::span<std::uint8_t> into, bool echo) {
    // Without a controlling terminal the open fails at once; it never waits.
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return std::unexpected(ENXIO);
    }
    Descriptor terminal(fd, true);
    termios mode{};
    if (::tcgetattr(fd, &mode) != 0) {
        return std::unexpected(ENXIO);
    }

    savedMode = mode;
    caughtSignal = 0;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : kStopSignals) {
        sigaddset(&action.sa_mask, signal);
    }
    // No SA_RESTART: a signal passed on must end the read.
    action.sa_flags = 0;
    std::array<bool, kStopSignals.size()> installed{};
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        ::sigaction(kStopSignals[i], nullptr, &previousActions[i]);
        // An ignored signal stays ignored, as the one who started us wanted.
        const bool ignored = (previousActions[i].sa_flags & SA_SIGINFO) == 0 &&
                             previousActions[i].sa_handler == SIG_IGN;
        installed[i] = !ignored && ::sigaction(kStopSignals[i], &action, nullptr) == 0;
    }
    terminalToRestore = fd;

    // Only echo goes; line editing and Ctrl-C keep working. What was typed
    // before the prompt is dropped, as it was echoed.
    termios quiet = mode;
    if (!echo) {
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL);
    }
    std::expected<std::size_t, int> line = std::unexpected(EIO);
    if (::tcsetattr(fd, TCSAFLUSH, &quiet) != 0) {
        line = std::unexpected(errno);
    } else if (const int failed = WriteAll(
                   fd,
                   std::span(reinterpret_cast<const std::uint8_t*>(prompt.data()), prompt.size()));
               failed != 0) {
        line = std::unexpected(failed);
    } else {
        line = ReadTypedLine(fd, into);
    }

    // Restored before the descriptor is given up; typed-ahead input stays
    // for whoever reads the terminal next.
    if (terminalToRestore >= 0) {
        ::tcsetattr(fd, TCSADRAIN, &mode);
        terminalToRestore = -1;
        // The user's own line end was echoed with the line, if at all.
        if (!echo) {
            const std::uint8_t newline = kLineFeed;
            (void)WriteAll(fd, std::span(&newline, 1));
        }
    }
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        if (installed[i]) {
            ::sigaction(kStopSignals[i], &previousActions[i], nullptr);
        }
    }
    if (const int signal = caughtSignal; signal != 0) {
        caughtSignal = 0;
        ::raise(signal);
        if (line) {
            WipeMemory(into.data(), *line);
        }
        return std::unexpected(EINTR);
    }
    return line;
}

}  // namespace

std::expected<std::size_t, int> ReadLineWithoutEcho(std::string_view prompt,
                                                    std::span<std::uint8_t> into) {
    return ReadTerminalLine(prompt, into, false);
}

std::expected<std::size_t, int> ReadLineWithEcho(std::string_view prompt,
                                                 std::span<std::uint8_t> into) {
    return ReadTerminalLine(prompt, into, true);
}

}  // namespace zelvora
