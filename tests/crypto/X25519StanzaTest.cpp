#include "crypto/X25519Stanza.h"

#include "base/ErrorCode.h"
#include "base/HexText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace zelvora {
namespace {

struct StanzaRow {
    const char* scalar;
    const char* recipient;
    const char* ephemeral;
    const char* messageKey;
    const char* body;
};
constexpr StanzaRow kRows[] = {
#include "tests/crypto/X25519StanzaVectors.inc"
};

using Key = std::array<std::uint8_t, 32>;

Key Array32(std::string_view hex) {
    const Bytes bytes = HexToBytes(hex);
    Key key{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), key.size()), key.begin());
    return key;
}

// X25519 public keys of small order (RFC 7748, section 7): 0, 1, the two of
// order 8, p - 1, and p and p + 1, which X25519 reads as 0 and 1.
const char* const kSmallOrder[] = {
    "0000000000000000000000000000000000000000000000000000000000000000",
    "0100000000000000000000000000000000000000000000000000000000000000",
    "e0eb7a7c3b41b8ae1656e3faf19fc46ada098deb9c32b1fd866205165f49b800",
    "5f9c95bca3508c24b1d0b1559c83ef5b04445cc4581c8e86d8224eddd09f1157",
    "ecffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f",
    "edffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f",
    "eeffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff7f",
};

// Made with python3-nacl's X25519, HKDF written out in Python and
// python3-cryptography's key wrap: the layout, the order of the salt and the
// info string as the format has them.
TEST(X25519StanzaTest, MatchesTheKnownAnswers) {
    for (const StanzaRow& row : kRows) {
        SCOPED_TRACE(row.body);
        const Key messageKey = Array32(row.messageKey);
        const auto body = WrapForX25519(Array32(row.recipient), messageKey, Array32(row.ephemeral));
        ASSERT_TRUE(body.has_value());
        EXPECT_EQ(Bytes(body->begin(), body->end()), HexToBytes(row.body));
        const auto unwrapped =
            UnwrapForX25519(Array32(row.scalar), Array32(row.recipient), HexToBytes(row.body));
        ASSERT_TRUE(unwrapped.has_value());
        EXPECT_TRUE(std::ranges::equal(*unwrapped, messageKey));
    }
}

// Only the stanza's own recipient gets the key, and only from the body as
// it was written.
TEST(X25519StanzaTest, RefusesEveryBodyThatIsNotForTheKey) {
    const Key scalar = Array32(kRows[0].scalar);
    const Key recipient = Array32(kRows[0].recipient);
    const Key messageKey = Array32(kRows[0].messageKey);
    const auto written = WrapForX25519(recipient, messageKey);
    ASSERT_TRUE(written.has_value());
    // The ephemeral key is fresh for every stanza.
    EXPECT_NE(WrapForX25519(recipient, messageKey), written);
    const Bytes body(written->begin(), written->end());
    const auto unwrapped = UnwrapForX25519(scalar, recipient, body);
    EXPECT_TRUE(unwrapped && std::ranges::equal(*unwrapped, messageKey));

    const auto refused = std::unexpected(MakeError(ErrorCode::NotForThisKey));
    EXPECT_EQ(UnwrapForX25519(Array32(kRows[1].scalar), Array32(kRows[1].recipient), body),
              refused);

    std::vector<std::pair<std::string, Bytes>> cases = {
        {"one byte short", Bytes(body.begin(), body.end() - 1)},
        {"one byte more", body},
    };
    cases.back().second.push_back(0);
    for (std::size_t at = 0; at < body.size(); ++at) {
        cases.push_back({"byte " + std::to_string(at) + " changed", body});
        cases.back().second[at] ^= static_cast<std::uint8_t>(1u << (at % 8));
    }
    for (const char* point : kSmallOrder) {
        cases.push_back({std::string("ephemeral key ") + point, body});
        std::ranges::copy(Array32(point), cases.back().second.begin());
    }
    for (const auto& [what, changed] : cases) {
        SCOPED_TRACE(what);
        EXPECT_EQ(UnwrapForX25519(scalar, recipient, changed), refused);
    }
}

// With a recipient key of small order, anyone could compute the secret.
TEST(X25519StanzaTest, RefusesARecipientKeyOfSmallOrder) {
    const Key messageKey{};
    for (const char* point : kSmallOrder) {
        SCOPED_TRACE(point);
        EXPECT_EQ(WrapForX25519(Array32(point), messageKey),
                  std::unexpected(MakeError(ErrorCode::PublicKeyMalformed)));
    }
}

}  // namespace
}  // namespace zelvora
