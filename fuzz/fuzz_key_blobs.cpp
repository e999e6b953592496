// SetPrivateKeyBlob and SetPublicKeyBlob on arbitrary bytes. A blob is
// either refused with an error from the component's table, leaving no key
// behind, or taken as exactly one kind of key, which must then work: a
// public key encrypts, a private key refuses a ciphertext it did not make.
// The method takes keys of any kind, as the decoding of any kind does; that
// must agree with the RSA path on everything that is not an Ed25519 key.

#include "base/ErrorCode.h"
#include "crypto/EncryptionEngine.h"
#include "keys/AnyKey.h"
#include "keys/Fingerprint.h"
#include "keys/RsaKey.h"
#include "crypto/RsaMethod.h"

#include <algorithm>
#include <cstdlib>

namespace {

using namespace zelvora;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void RequireTableError(const Error& error) {
    const auto all = AllErrorCodes();
    Require(std::ranges::any_of(
        all, [&](ErrorCode known) { return ErrorNumber(known) == error.number; }));
}

std::unique_ptr<EncryptionEngine> EngineWith(std::shared_ptr<RsaMethod> method) {
    auto engine = EncryptionEngine::Create();
    Require(engine.has_value() && (*engine)->AttachMethod(std::move(method)).has_value());
    return std::move(*engine);
}

// A key of any kind, read for one slot: when it is RSA it is what the RSA
// path took, and an Ed25519 key is one the RSA path calls not RSA.
// A key taken has a fingerprint.
void CheckAnyKind(const std::expected<AnyKey, Error>& any, bool taken, const Error* rsaError,
                  ErrorCode notRsa) {
    if (!any) {
        RequireTableError(any.error());
        // Where the two disagree, the blob named an Ed25519 key, refused
        // by its own class.
        Require(!taken && (any.error() == *rsaError || *rsaError == MakeError(notRsa)));
        return;
    }
    Require(KeyFingerprint(*any).has_value());
    if (any->Kind() == KeyKind::Rsa) {
        Require(taken);
    } else {
        Require(!taken && *rsaError == MakeError(notRsa));
    }
}

// Private-key operations with fuzzed numbers cost seconds at the largest
// sizes; above this the key is only required to load.
constexpr std::size_t kLargestUsedModulusBytes = 512;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> blob(data, size);
    auto created = RsaMethod::Create();
    Require(created.has_value());
    const std::shared_ptr<RsaMethod> method = *created;

    const auto asPrivate = method->SetPrivateKeyBlob(blob);
    Require(asPrivate.has_value() == (method->PrivateKey() != nullptr));
    const auto asPublic = method->SetPublicKeyBlob(blob);
    Require(asPublic.has_value() == (method->PublicKey() != nullptr));

    if (!asPrivate) {
        RequireTableError(asPrivate.error());
    }
    if (!asPublic) {
        RequireTableError(asPublic.error());
    }
    // One blob holds one kind of key: taken for one slot, it is refused
    // for the other as the wrong kind.
    Require(!(asPrivate && asPublic));
    if (asPrivate) {
        Require(asPublic.error() == MakeError(ErrorCode::PublicKeyIsPrivate));
    }
    if (asPublic) {
        Require(asPrivate.error() == MakeError(ErrorCode::PrivateKeyIsPublic));
    }

    const auto anyPrivate = AnyKey::FromPrivateKeyBlob(blob);
    const auto anyPublic = AnyKey::FromPublicKeyBlob(blob);
    const auto rsaPrivate = RsaKey::FromPrivateKeyBlob(blob);
    const auto rsaPublic = RsaKey::FromPublicKeyBlob(blob);
    CheckAnyKind(anyPrivate, rsaPrivate.has_value(), rsaPrivate ? nullptr : &rsaPrivate.error(),
                 ErrorCode::PrivateKeyNotRsa);
    CheckAnyKind(anyPublic, rsaPublic.has_value(), rsaPublic ? nullptr : &rsaPublic.error(),
                 ErrorCode::PublicKeyNotRsa);
    Require(!(anyPrivate && anyPublic));
    // The method reads a blob exactly as the decoding of any kind does.
    Require(asPrivate.has_value() == anyPrivate.has_value());
    Require(asPublic.has_value() == anyPublic.has_value());

    const RsaKey* const rsaTo = asPublic ? method->PublicKey()->Rsa() : nullptr;
    if (rsaTo != nullptr) {
        // Version 3 to one RSA recipient, unsigned: one stanza as long as
        // the modulus, the MAC, the salt, and one sealed chunk holding the
        // preamble's byte and the message.
        const std::size_t k = rsaTo->ModulusBytes();
        const std::uint8_t message[] = {'f', 'u', 'z', 'z'};
        auto ciphertext = EngineWith(method)->EncryptBytes(message, true);
        Require(ciphertext.has_value() &&
                ciphertext->size() == 2 + 3 + k + 32 + 16 + 1 + sizeof message + 16);
    }
    const RsaKey* const rsaOwn = asPrivate ? method->PrivateKey()->Rsa() : nullptr;
    if (rsaOwn != nullptr && rsaOwn->ModulusBytes() <= kLargestUsedModulusBytes) {
        const std::size_t k = rsaOwn->ModulusBytes();
        Bytes forged(1 + k + 12 + 16, 0x5A);
        forged[0] = 1;
        auto plaintext = EngineWith(method)->DecryptBytes(forged, true);
        Require(!plaintext && plaintext.error() == MakeError(ErrorCode::NotForThisKey));
    }
    return 0;
}
