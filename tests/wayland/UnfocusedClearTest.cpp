// The clearing that needs no focus, where it can fail without a compositor:
// the fallback to wl-copy, and wl-copy itself, faked by a script on PATH.
#include "wayland/DataControlClear.h"
#include "wayland/WlCopyClear.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace zelvora {
namespace {

namespace fs = std::filesystem;

class RecordingClear : public UnfocusedClearPort {
public:
    std::expected<void, Error> Clear(Selections which) override {
        calls.push_back(which);
        return {};
    }
    std::vector<Selections> calls;
};

class UnfocusedClearTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("zelvora-unfocused-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        savedPath_ = std::getenv("PATH");
        ::setenv("PATH", dir_.c_str(), 1);
    }
    void TearDown() override {
        ::setenv("PATH", savedPath_.c_str(), 1);
        fs::remove_all(dir_);
    }
    // A wl-copy that logs its arguments, then runs `body`.
    void FakeWlCopy(const std::string& body) {
        const fs::path script = dir_ / "wl-copy";
        std::ofstream(script) << "#!/bin/sh\necho \"$*\" >>'" << Log().string() << "'\n"
                              << body << "\n";
        fs::permissions(script, fs::perms::owner_all);
    }
    fs::path Log() const { return dir_ / "calls"; }
    std::string Calls() const {
        std::ifstream in(Log());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path dir_;
    std::string savedPath_;
};

TEST_F(UnfocusedClearTest, WlCopyReportsHowItEnded) {
    struct Case {
        const char* body;  // null: no wl-copy at all
        bool primary;
        std::int32_t error;  // 0: cleared
        const char* calls;
        // The window's own clear goes through: wl-copy would only take its
        // focus away.
        bool windowClears = false;
    };
    const Case cases[] = {
        {"exit 0", false, 0, "--clear\n"},
        {"exit 0", true, 0, "--clear\n--primary --clear\n"},
        {"exit 1", false, WlCopyClear::kFailed, "--clear\n"},
        // One that never ends is killed; the program must still end.
        {"exec /bin/sleep 600", false, WlCopyClear::kFailed, "--clear\n"},
        {nullptr, false, WlCopyClear::kNotRun, ""},
        {"exit 0", true, 0, "", true},
        {"exit 1", true, 0, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body ? c.body : "no wl-copy");
        fs::remove(dir_ / "wl-copy");
        fs::remove(Log());
        if (c.body) {
            FakeWlCopy(c.body);
        }
        const auto result = WlCopyClear(std::chrono::milliseconds(300), [&c] {
                                return c.windowClears;
                            }).Clear({.clipboard = true, .primary = c.primary});
        EXPECT_EQ(result ? 0 : result.error().number, c.error);
        EXPECT_EQ(Calls(), c.calls);
    }
}

TEST_F(UnfocusedClearTest, WithoutACompositorTheFallbackClears) {
    ::setenv("WAYLAND_DISPLAY", (dir_ / "no-such-socket").c_str(), 1);
    RecordingClear fallback;
    EXPECT_TRUE(DataControlClear(&fallback).Clear({.clipboard = true, .primary = true}));
    ASSERT_EQ(fallback.calls.size(), 1u);
    EXPECT_TRUE(fallback.calls[0].clipboard);
    EXPECT_TRUE(fallback.calls[0].primary);

    const auto alone = DataControlClear().Clear({});
    ASSERT_FALSE(alone);
    EXPECT_EQ(alone.error().number, DataControlClear::kNoDisplay);
}

// A compositor that accepts the connection and never answers, as one that
// is stopped or hung does: the clear gives up at its timeout, and the
// fallback still gets its turn.
TEST_F(UnfocusedClearTest, ACompositorThatNeverAnswersCostsOnlyTheTimeout) {
    const fs::path socketPath = dir_ / "silent";
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.string().size(), sizeof address.sun_path);
    socketPath.string().copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ::setenv("WAYLAND_DISPLAY", socketPath.c_str(), 1);

    for (const bool withFallback : {false, true}) {
        SCOPED_TRACE(withFallback ? "with a fallback" : "alone");
        RecordingClear fallback;
        const auto started = std::chrono::steady_clock::now();
        const auto result =
            DataControlClear(withFallback ? &fallback : nullptr, std::chrono::milliseconds(300))
                .Clear({.clipboard = true});
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_GE(took, std::chrono::milliseconds(250));
        EXPECT_LT(took, std::chrono::seconds(2));
        if (withFallback) {
            EXPECT_TRUE(result);
            EXPECT_EQ(fallback.calls.size(), 1u);
        } else {
            ASSERT_FALSE(result);
            EXPECT_EQ(result.error().number, DataControlClear::kNoAnswer);
        }
    }
    ::close(listener);
}

}  // namespace
}  // namespace zelvora
