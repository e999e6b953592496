#include "keys/Passphrase.h"

#include "base/ErrorCode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace zelvora {
namespace {

std::string Text(const SecureBytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// What a passphrase reader gave, as one line: the passphrase or the error.
std::string Outcome(const std::expected<SecureBytes, Error>& read) {
    return read ? "got:" + Text(*read) : "error:" + std::to_string(read.error().number);
}
std::string ErrorOutcome(ErrorCode code) {
    return "error:" + std::to_string(ErrorNumber(code));
}

// What `fd` gives until it ends, is quiet for `timeoutMs`, or has shown
// `until`.
std::string ReadAvailable(int fd, int timeoutMs, std::string_view until = {}) {
    std::string seen;
    pollfd p{fd, POLLIN, 0};
    char buffer[4096];
    while ((until.empty() || !seen.contains(until)) && ::poll(&p, 1, timeoutMs) > 0) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        seen.append(buffer, static_cast<std::size_t>(got));
    }
    return seen;
}

std::int64_t gHandled = 0;
void CountSignal(int) {
    ++gHandled;
}

// A child on a pseudo-terminal of its own, with other data on standard
// input, asks for a passphrase; the test types `typed` after the prompt.
struct Session {
    std::string screen;   // all the terminal showed
    std::string outcome;  // what the child's reader gave
    int status = 0;
    bool echoAfter = false;
};

Session Type(const std::string& typed, bool handleInterrupt = false) {
    int report[2];
    EXPECT_EQ(::pipe(report), 0);
    int master = -1;
    const pid_t child = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (child == 0) {
        int input[2];
        (void)!::pipe(input);
        (void)!::write(input[1], "not this\n", 9);
        ::dup2(input[0], STDIN_FILENO);
        if (handleInterrupt) {
            std::signal(SIGINT, CountSignal);
        }
        const auto read = AskPassphrase("Passphrase: ");
        const std::string outcome = Outcome(read) + " handled:" + std::to_string(gHandled);
        (void)!::write(report[1], outcome.data(), outcome.size());
        ::_exit(0);
    }
    ::close(report[1]);
    Session session;
    session.screen = ReadAvailable(master, 5000, "Passphrase: ");
    if (session.screen.contains("Passphrase: ")) {
        (void)!::write(master, typed.data(), typed.size());
    }
    session.screen += ReadAvailable(master, 2000);
    ::waitpid(child, &session.status, 0);
    termios mode{};
    session.echoAfter = ::tcgetattr(master, &mode) == 0 && (mode.c_lflag & ECHO) != 0;
    session.outcome = ReadAvailable(report[0], 100);
    ::close(report[0]);
    ::close(master);
    return session;
}

TEST(PassphraseInputTest, ReadsTheTerminalWithoutEchoAndRestoresIt) {
    const std::string longest(kMaxPassphraseBytes, 'a');
    const struct {
        std::string typed;
        std::string outcome;
    } cases[] = {
        {"correct horse\n", "got:correct horse"},
        {"\n", "got:"},
        {longest + "\n", "got:" + longest},
        {longest + "b\n", ErrorOutcome(ErrorCode::PassphraseTooLong)},
    };
    for (const auto& c : cases) {
        const Session s = Type(c.typed);
        EXPECT_EQ(s.outcome, c.outcome + " handled:0") << s.screen;
        const std::string secret = c.typed.substr(0, std::min<std::size_t>(5, c.typed.size() - 1));
        EXPECT_TRUE(secret.empty() || !s.screen.contains(secret)) << "echoed: " << s.screen;
        EXPECT_TRUE(s.screen.ends_with("Passphrase: \r\n")) << s.screen;
        EXPECT_TRUE(s.echoAfter);
    }
}

TEST(PassphraseInputTest, RestoresTheTerminalWhenInterrupted) {
    // Left at its default, Ctrl-C ends the process; with a handler of the
    // program's own, the handler runs and the read fails.
    const Session dies = Type("secr\x03");
    EXPECT_TRUE(WIFSIGNALED(dies.status) && WTERMSIG(dies.status) == SIGINT) << dies.status;
    EXPECT_TRUE(dies.echoAfter);
    const Session handled = Type("secr\x03", true);
    EXPECT_EQ(handled.outcome, "error:" + std::to_string(EINTR) + " handled:1");
    EXPECT_TRUE(handled.echoAfter);
}

TEST(PassphraseInputTest, FailsAtOnceWithoutATerminal) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::setsid();  // no controlling terminal from here on
        const bool refused = Outcome(AskPassphrase("Passphrase: ")) ==
                             ErrorOutcome(ErrorCode::NoTerminalForPassphrase);
        ::_exit(refused ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(PassphraseInputTest, ReadsTheFirstLineOfAFileOrDescriptor) {
    const std::string longest(kMaxPassphraseBytes, 'a');
    const struct {
        std::string content;
        std::string outcome;
        std::string left;  // what the descriptor still holds
    } cases[] = {
        {"secret\nmessage\n", "got:secret", "message\n"},
        {"secret\r\nmessage", "got:secret", "message"},
        {"se\rcret", "got:se\rcret", ""},
        {"", "got:", ""},
        {longest + "\r\n", "got:" + longest, ""},
        {longest + "b\n", ErrorOutcome(ErrorCode::PassphraseTooLong), ""},
    };
    char path[] = "/tmp/zelvora-passphrase-XXXXXX";
    const int file = ::mkstemp(path);
    ASSERT_GE(file, 0);
    for (const auto& c : cases) {
        ASSERT_EQ(::pwrite(file, c.content.data(), c.content.size(), 0),
                  static_cast<ssize_t>(c.content.size()));
        ASSERT_EQ(::ftruncate(file, static_cast<off_t>(c.content.size())), 0);
        EXPECT_EQ(Outcome(ReadPassphraseFile(path)), c.outcome) << c.content;

        int pipeEnds[2];
        ASSERT_EQ(::pipe(pipeEnds), 0);
        (void)!::write(pipeEnds[1], c.content.data(), c.content.size());
        ::close(pipeEnds[1]);
        EXPECT_EQ(Outcome(ReadPassphraseFromDescriptor(pipeEnds[0])), c.outcome) << c.content;
        if (c.outcome.starts_with("got:")) {
            EXPECT_EQ(ReadAvailable(pipeEnds[0], 0), c.left);
        }
        ::close(pipeEnds[0]);
    }
    ::close(file);
    ::unlink(path);
    EXPECT_EQ(Outcome(ReadPassphraseFile("/nonexistent/passphrase")),
              "error:" + std::to_string(ENOENT));
}

}  // namespace
}  // namespace zelvora
