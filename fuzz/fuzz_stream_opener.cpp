// StreamOpener on a version 3 message whose plaintext (preamble, message
// and trailer) is the fuzzer's input, sealed under good tags as only a
// writer holding the recipient's public key can make it, and read in
// pieces whose size the first input byte picks. It must be refused with the
// one error and pass on no text, or open, pass on exactly the bytes between
// the preamble and the trailer it names, and never call it verified: no
// one here holds the signing key.

#include "base/ErrorCode.h"
#include "crypto/KeyRoles.h"
#include "crypto/StreamOpener.h"
#include "crypto/StreamSealer.h"
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

// Writes the fuzzer's bytes as the whole plaintext: they stand in as the
// preamble, and the signature is empty.
class VerbatimSigner : public Signer {
public:
    VerbatimSigner(std::span<const std::uint8_t> plaintext, const Fingerprint& print)
        : plaintext_(plaintext.begin(), plaintext.end()), print_(print) {}
    Bytes Preamble() const override { return plaintext_; }
    std::size_t SignatureBytes() const override { return 0; }
    const Fingerprint& KeyFingerprint() const override { return print_; }
    std::expected<void, Error> Sign(std::span<const std::uint8_t>,
                                    std::span<std::uint8_t>) const override {
        return {};
    }

private:
    Bytes plaintext_;
    Fingerprint print_;
};

struct Fixture {
    std::unique_ptr<Recipient> recipient;
    std::unique_ptr<Identity> identity;
    std::unique_ptr<SenderKey> sender;

    Fixture() {
        const auto& keys = test::Alice();
        auto publicKey = RsaKey::FromPublicKeyBlob(keys.publicBlob);
        auto privateKey = RsaKey::FromPrivateKeyBlob(keys.privateBlob);
        Require(publicKey && privateKey);
        auto made = MakeRecipient(**publicKey);
        auto own = MakeIdentity(**privateKey);
        auto expected = MakeSenderKey(**publicKey);
        Require(made && own && expected);
        recipient = std::move(*made);
        identity = std::move(*own);
        sender = std::move(*expected);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixture fixture;
    if (size < 2) {
        return -1;
    }
    const std::size_t piece = std::size_t{data[0]} * 521 + 1;
    const std::span<const std::uint8_t> plaintext(data + 1, size - 1);

    const VerbatimSigner signer(plaintext, fixture.sender->KeyFingerprint());
    const Recipient* const recipients[] = {fixture.recipient.get()};
    Bytes sealed;
    auto sealer = StreamSealer::Start(recipients, &signer, sealed);
    Require(sealer && (*sealer)->Finish());

    SecureBytes text;
    auto opener = StreamOpener::Create(*fixture.identity, fixture.sender.get(),
                                       [&text](std::span<const std::uint8_t> bytes) {
                                           text.insert(text.end(), bytes.begin(), bytes.end());
                                           return std::expected<void, Error>();
                                       });
    Require(opener.has_value());
    std::expected<void, Error> fed;
    for (std::size_t at = 0; at < sealed.size() && fed; at += piece) {
        fed = (*opener)->Update(std::span(sealed).subspan(at, std::min(piece, sealed.size() - at)));
    }
    const auto read = fed ? (*opener)->Finish() : std::unexpected(fed.error());
    if (!read) {
        // Only a whole message's worth of chunks passes text on: a short
        // one refused at its last chunk releases nothing.
        Require(read.error() == MakeError(ErrorCode::NotForThisKey));
        Require(plaintext.size() > 65536 || text.empty());
        return 0;
    }
    Require(read->signature != SignatureState::Verified);
    const std::size_t preamble = plaintext[0] == 0x00 ? 1 : plaintext[0] == 0x01 ? 35 : 33;
    const std::size_t trailer = plaintext[0] == 0x00   ? 0
                                : plaintext[0] == 0x01 ? (plaintext[33] << 8) | plaintext[34]
                                                       : 64;
    Require(text.size() + preamble + trailer == plaintext.size() &&
            std::equal(text.begin(), text.end(), plaintext.begin() + preamble));
    return 0;
}
