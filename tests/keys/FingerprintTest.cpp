#include "keys/Fingerprint.h"

#include "tests/support/CryptoTestKeys.h"

#include <openssl/sha.h>

#include <gtest/gtest.h>

namespace zelvora {
namespace {

// Whatever form a key file holds, and whichever half, the fingerprint is the
// digest of the SubjectPublicKeyInfo that anyone can compute from the .pkey.
TEST(FingerprintTest, EveryFormOfAKeyHasTheDigestOfItsPublicKeyInfo) {
    for (const int bits : {2048, 3072}) {
        const test::EncodedKey& encoded = test::CryptoTestKeys::Rsa(bits);
        Fingerprint expected{};
        SHA256(encoded.publicInfo.data(), encoded.publicInfo.size(), expected.data());

        struct Form {
            const char* name;
            const Bytes& blob;
            bool isPrivate;
        };
        for (const Form& form : {Form{"PKCS#8", encoded.privateInfo, true},
                                 Form{"PKCS#1 private", encoded.privateBare, true},
                                 Form{"SPKI", encoded.publicInfo, false},
                                 Form{"PKCS#1 public", encoded.publicBare, false}}) {
            SCOPED_TRACE(std::to_string(bits) + " bits, " + form.name);
            auto key = form.isPrivate ? RsaKey::FromPrivateKeyBlob(form.blob)
                                      : RsaKey::FromPublicKeyBlob(form.blob);
            ASSERT_TRUE(key.has_value());
            const auto fingerprint = KeyFingerprint(**key);
            ASSERT_TRUE(fingerprint.has_value());
            EXPECT_EQ(*fingerprint, expected);
        }
    }
    const auto one = RsaKey::FromPublicKeyBlob(test::CryptoTestKeys::Rsa(2048).publicInfo);
    const auto other = RsaKey::FromPublicKeyBlob(test::CryptoTestKeys::OtherRsa2048().publicInfo);
    EXPECT_NE(*KeyFingerprint(**one), *KeyFingerprint(**other));
}

TEST(FingerprintTest, TextIsUnpaddedBase64AfterThePrefix) {
    struct Case {
        std::uint8_t fill;
        const char* text;
    };
    for (const Case& c : {Case{0x00, "SHA256:AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"},
                          Case{0xFF, "SHA256://////////////////////////////////////////8"},
                          Case{0xFB, "SHA256:+/v7+/v7+/v7+/v7+/v7+/v7+/v7+/v7+/v7+/v7+/s"}}) {
        Fingerprint fingerprint;
        fingerprint.fill(c.fill);
        EXPECT_EQ(FingerprintText(fingerprint), c.text);
    }
}

}  // namespace
}  // namespace zelvora
