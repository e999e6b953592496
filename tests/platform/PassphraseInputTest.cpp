#include "keys/Passphrase.h"

#include "base/ErrorCode.h"

#include <gtest/gtest.h>

#include <csignal>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace zelvora {
namespace {

// What a reader gave, as one line: the passphrase or the error number.
std::string Outcome(const std::expected<SecureBytes, Error>& read) {
    return read ? "got:" + std::string(read->begin(), read->end())
                : "error:" + std::to_string(read.error().number);
}
std::string ErrorOutcome(ErrorCode code) {
    return "error:" + std::to_string(ErrorNumber(code));
}

// What `fd` gives until it ends, is quiet for `timeoutMs`, or has shown `until`.
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

int PipeWith(const std::string& content) {
    int ends[2];
    EXPECT_EQ(::pipe(ends), 0);
    EXPECT_EQ(::write(ends[1], content.data(), content.size()), std::ssize(content));
    ::close(ends[1]);
    return ends[0];
}

int handled = 0;

struct Session {
    std::string screen;   // all the terminal showed
    std::string outcome;  // what the reader gave, and how often a handler ran
    int status = 0;
    bool echoAfter = false;
};

// A child on a pseudo-terminal of its own, with other data on standard
// input, asks for a passphrase; `typed` is typed after the prompt.
Session Type(const std::string& typed, bool handleInterrupt = false) {
    int report[2];
    EXPECT_EQ(::pipe(report), 0);
    int master = -1;
    if (const pid_t child = ::forkpty(&master, nullptr, nullptr, nullptr); child == 0) {
        ::dup2(PipeWith("not this\n"), STDIN_FILENO);
        if (handleInterrupt) {
            std::signal(SIGINT, [](int) { ++handled; });
        }
        const auto read = AskPassphrase("Passphrase: ");
        const std::string outcome = Outcome(read) + " handled:" + std::to_string(handled);
        ::_exit(::write(report[1], outcome.data(), outcome.size()) > 0 ? 0 : 1);
    }
    ::close(report[1]);
    Session s;
    s.screen = ReadAvailable(master, 5000, "Passphrase: ");
    EXPECT_EQ(::write(master, typed.data(), typed.size()), std::ssize(typed));
    s.screen += ReadAvailable(master, 5000);
    ::wait(&s.status);
    termios mode{};
    s.echoAfter = ::tcgetattr(master, &mode) == 0 && (mode.c_lflag & ECHO) != 0;
    s.outcome = ReadAvailable(report[0], 100);
    ::close(report[0]);
    ::close(master);
    return s;
}

TEST(PassphraseInputTest, ReadsTheTerminalWithoutEchoAndRestoresIt) {
    const std::string longest(kMaxPassphraseBytes, 'a');
    for (const auto& [typed, outcome] :
         {std::pair<std::string, std::string>{"correct horse\n", "got:correct horse"},
          {"\n", "got:"},
          {longest + "\n", "got:" + longest},
          {longest + "b\n", ErrorOutcome(ErrorCode::PassphraseTooLong)}}) {
        const Session s = Type(typed);
        EXPECT_EQ(s.outcome, outcome + " handled:0") << s.screen;
        EXPECT_EQ(s.screen, "Passphrase: \r\n");  // nothing typed is echoed
        EXPECT_TRUE(s.echoAfter);
    }
    // Left at its default, Ctrl-C ends the process; with a handler of the
    // program's own, the handler runs and the read fails. Echo is back on.
    const Session dies = Type("secr\x03");
    EXPECT_TRUE(WIFSIGNALED(dies.status) && WTERMSIG(dies.status) == SIGINT) << dies.status;
    EXPECT_TRUE(dies.echoAfter);
    const Session handled = Type("secr\x03", true);
    EXPECT_EQ(handled.outcome, "error:" + std::to_string(EINTR) + " handled:1");
    EXPECT_TRUE(handled.echoAfter);
}

TEST(PassphraseInputTest, FailsAtOnceWithoutATerminal) {
    if (::fork() == 0) {
        ::setsid();  // no controlling terminal from here on
        const auto read = AskPassphrase("Passphrase: ");
        ::_exit(Outcome(read) == ErrorOutcome(ErrorCode::NoTerminalForPassphrase) ? 0 : 1);
    }
    int status = 0;
    ::wait(&status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(PassphraseInputTest, ReadsTheFirstLineOfAFileOrDescriptorAndNoMore) {
    const std::string longest(kMaxPassphraseBytes, 'a');
    const struct {
        std::string content, outcome, left;
    } cases[] = {
        {"secret\nmessage\n", "got:secret", "message\n"},
        {"secret\r\nmessage", "got:secret", "message"},
        {"", "got:", ""},
        {longest + "\r\n", "got:" + longest, ""},
        {longest + "b\n", ErrorOutcome(ErrorCode::PassphraseTooLong), ""},
    };
    for (const auto& c : cases) {
        const int file = PipeWith(c.content);
        EXPECT_EQ(Outcome(ReadPassphraseFile("/dev/fd/" + std::to_string(file))), c.outcome);
        ::close(file);
        const int fd = PipeWith(c.content);
        EXPECT_EQ(Outcome(ReadPassphraseFromDescriptor(fd)), c.outcome);
        EXPECT_TRUE(c.outcome.starts_with("error") || ReadAvailable(fd, 0) == c.left);
        ::close(fd);
    }
    EXPECT_EQ(Outcome(ReadPassphraseFile("/nonexistent")), "error:" + std::to_string(ENOENT));
}

}  // namespace
}  // namespace zelvora
