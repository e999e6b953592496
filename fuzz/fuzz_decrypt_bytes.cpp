// DecryptBytes with one fixed key pair (made once per process). The first
// input byte picks the mode:
//  - even: the rest is the ciphertext, which must be refused with one of
//    the ciphertext errors, since nothing forges a tag;
//  - odd: the rest flips bits of a real ciphertext; any change must be
//    refused, and no change must give the message back;
//  - 3 modulo 4: the rest is the inner layer of a signed message, sealed
//    under a good tag, as only a writer holding the public key can make it:
//    it must be refused as damaged, or give the message behind the
//    signature, never a verified one.

#include "base/ErrorCode.h"
#include "crypto/EncryptionEngine.h"
#include "crypto/RsaMethod.h"
#include "crypto/SealedEnvelope.h"
#include "keys/RsaKey.h"
#include "tests/support/TestKeys.h"

#include <algorithm>
#include <cstdlib>

namespace {

using namespace zelvora;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

struct Fixture {
    std::unique_ptr<EncryptionEngine> engine;
    Bytes message;
    Bytes ciphertext;
    std::unique_ptr<RsaKey> publicKey;

    Fixture() {
        const auto& keys = test::Alice();
        auto method = RsaMethod::Create();
        auto created = EncryptionEngine::Create();
        Require(method && created && (*method)->SetPrivateKeyBlob(keys.privateBlob) &&
                (*method)->SetPublicKeyBlob(keys.publicBlob) && (*created)->AttachMethod(*method));
        engine = std::move(*created);
        const char text[] = "Meet me at the old mill at noon.";
        message.assign(text, text + sizeof text - 1);
        auto encrypted = engine->EncryptBytes(message, true);
        Require(encrypted.has_value());
        ciphertext = std::move(*encrypted);
        auto key = RsaKey::FromPublicKeyBlob(keys.publicBlob);
        Require(key.has_value());
        publicKey = std::move(*key);
    }
};

bool IsCiphertextError(const Error& error) {
    for (ErrorCode known : {ErrorCode::CiphertextEmpty, ErrorCode::CiphertextVersion,
                            ErrorCode::CiphertextTooShort, ErrorCode::NotForThisKey}) {
        if (error == MakeError(known)) {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixture fixture;
    if (size == 0) {
        return -1;
    }
    const std::span<const std::uint8_t> rest(data + 1, size - 1);

    if ((data[0] & 3) == 3) {
        const auto sealed = SealEnvelope(2, *fixture.publicKey, {rest});
        Require(sealed.has_value());
        const auto read = fixture.engine->DecryptMessage(*sealed, true);
        if (!read) {
            Require(read.error() == MakeError(ErrorCode::NotForThisKey));
            return 0;
        }
        const std::size_t length = (std::size_t{rest[32]} << 8) | rest[33];
        Require(read->signer.has_value() && read->text.size() == rest.size() - 34 - length &&
                std::equal(read->text.begin(), read->text.end(), rest.end() - read->text.size()) &&
                read->signature != SignatureState::Verified);
        return 0;
    }

    if ((data[0] & 1) == 0) {
        const auto plaintext = fixture.engine->DecryptBytes(rest, true);
        Require(!plaintext && IsCiphertextError(plaintext.error()));
        return 0;
    }

    // Each three bytes: where (16 bits) and which bits to flip.
    Bytes changed = fixture.ciphertext;
    for (std::size_t i = 0; i + 3 <= rest.size(); i += 3) {
        const std::size_t at = (rest[i] | (rest[i + 1] << 8)) % changed.size();
        changed[at] ^= rest[i + 2];
    }
    const auto plaintext = fixture.engine->DecryptBytes(changed, true);
    if (changed == fixture.ciphertext) {
        Require(plaintext.has_value() && std::ranges::equal(*plaintext, fixture.message));
    } else {
        Require(!plaintext && IsCiphertextError(plaintext.error()));
    }
    return 0;
}
