#include "workflow/KeyLoading.h"

#include "base/ErrorCode.h"
#include "keys/KeyFile.h"
#include "keys/ProtectedKey.h"
#include "tests/support/CryptoTestKeys.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace zelvora {
namespace {

namespace fs = std::filesystem;

constexpr ScryptParameters kCheap{1024, 8, 1};
const SecureBytes kRight{'r', 'i', 'g', 'h', 't'};

// Answers as told, and counts the questions.
class FakePassphrase : public PassphrasePort {
public:
    explicit FakePassphrase(std::expected<SecureBytes, Error> answer)
        : answer_(std::move(answer)) {}
    std::expected<SecureBytes, Error> Passphrase(std::string_view file, std::string_view) override {
        asked.emplace_back(file);
        return answer_;
    }
    std::vector<std::string> asked;

private:
    std::expected<SecureBytes, Error> answer_;
};

std::string WriteKey(const std::string& name, std::span<const std::uint8_t> blob, fs::perms mode) {
    const fs::path path = fs::temp_directory_path() / ("zelvora-keyloading-" + name);
    fs::remove(path);
    const SecureBytes text = KeyFileText(blob);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(text.data()),
               static_cast<std::streamsize>(text.size()));
    fs::permissions(path, mode);
    return path.string();
}

struct LoadCase {
    const char* name;
    // What the own key file holds and its mode.
    enum { Plain, Protected, Public } holds;
    fs::perms mode;
    std::expected<SecureBytes, Error> answer;
    // 0: loads; otherwise the error number, and whether anyone was asked.
    ErrorCode refused;
    bool asked;
    KeyLoadStage stage;
};

const std::unexpected<Error> kCancelled{MakeError(ErrorCode::PassphraseCancelled)};
const std::unexpected<Error> kCannotAsk{MakeError(ErrorCode::PrivateKeyEncrypted)};

constexpr auto kOwner = fs::perms::owner_read | fs::perms::owner_write;
constexpr auto kShared = kOwner | fs::perms::group_read | fs::perms::others_read;

class KeyLoadingTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(KeyLoadingTest, OwnKeyIsReadCheckedAndUnlockedInOneOrder) {
    const LoadCase& c = GetParam();
    const auto& keys = test::CryptoTestKeys::Rsa(2048);
    const SecureBytes locked = *Protect(keys.privateInfo, kRight, kCheap);
    const Bytes blob = c.holds == LoadCase::Plain    ? keys.privateInfo
                       : c.holds == LoadCase::Public ? keys.publicInfo
                                                     : Bytes(locked.begin(), locked.end());
    const KeyRequest requests[] = {
        {WriteKey(c.name, blob, c.mode), KeyUse::Own},
        {WriteKey("public", keys.publicInfo, kShared), KeyUse::Recipient}};
    FakePassphrase port(c.answer);
    const auto loaded = LoadKeys(requests, port);
    EXPECT_EQ(port.asked.size(), c.asked ? 1u : 0u);
    if (c.refused == ErrorCode{}) {
        ASSERT_TRUE(loaded) << std::hex << loaded.error().error.number;
        ASSERT_NE(loaded->Find(KeyUse::Own), nullptr);
        EXPECT_EQ(loaded->Find(KeyUse::Own)->fingerprint,
                  loaded->Find(KeyUse::Recipient)->fingerprint);
        EXPECT_FALSE(IsProtected(loaded->Find(KeyUse::Own)->blob));
        return;
    }
    ASSERT_FALSE(loaded);
    EXPECT_EQ(loaded.error().error.number, ErrorNumber(c.refused));
    EXPECT_EQ(loaded.error().use, KeyUse::Own);
    EXPECT_EQ(loaded.error().stage, c.stage);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyLoadingTest,
    ::testing::Values(LoadCase{"plain", LoadCase::Plain, kOwner, kCannotAsk, {}, false, {}},
                      LoadCase{"right", LoadCase::Protected, kOwner, kRight, {}, true, {}},
                      LoadCase{"wrong", LoadCase::Protected, kOwner, SecureBytes{'w'},
                               ErrorCode::PassphraseWrong, true, KeyLoadStage::Using},
                      LoadCase{"cancelled", LoadCase::Protected, kOwner, kCancelled,
                               ErrorCode::PassphraseCancelled, true, KeyLoadStage::Using},
                      LoadCase{"cannot_ask", LoadCase::Protected, kOwner, kCannotAsk,
                               ErrorCode::PrivateKeyEncrypted, true, KeyLoadStage::Using},
                      // What the file holds comes before its mode, and no one is asked
                      // for the passphrase of a file that is refused.
                      LoadCase{"protected_open", LoadCase::Protected, kShared, kRight,
                               ErrorCode::PrivateKeyFileOpen, false, KeyLoadStage::Reading},
                      LoadCase{"public_open", LoadCase::Public, kShared, kRight,
                               ErrorCode::PrivateKeyIsPublic, false, KeyLoadStage::Reading}),
    [](const auto& info) { return std::string(info.param.name); });

// Only the expected writer's key may be missing: the message is then shown
// as not verified, and the front end says why.
TEST(KeyLoadingPolicyTest, OnlyAnUnreadExpectedWriterGoesOn) {
    FakePassphrase port(kCannotAsk);
    const std::string missing = (fs::temp_directory_path() / "zelvora-keyloading-none").string();
    for (const KeyUse use : {KeyUse::Recipient, KeyUse::ExpectedWriter}) {
        const KeyRequest requests[] = {{missing, use}};
        const auto loaded = LoadKeys(requests, port);
        ASSERT_EQ(loaded.has_value(), use == KeyUse::ExpectedWriter);
        const KeyLoadFailure& failure = loaded ? *loaded->unread : loaded.error();
        EXPECT_EQ(failure.error, SystemError(ENOENT));
        EXPECT_EQ(failure.path, missing);
    }
}

}  // namespace
}  // namespace zelvora
