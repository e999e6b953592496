#pragma once

#include "base/Error.h"
#include "crypto/DecryptedMessage.h"
#include "crypto/RsaMethod.h"
#include "base/SecureBytes.h"

#include <cstdint>
#include <expected>
#include <memory>
#include <span>

namespace zelvora {

// Encrypts and decrypts whole messages with the keys of the attached method:
// the component's face. A new message is written in format version 3 to the
// method's public key; when the method has a private key, the message is
// signed with it and readable with it too (the writer's copy). A ciphertext
// is read in the format its version byte names (1, 2 or 3), and a signature
// checked against the method's public key.
class EncryptionEngine {
public:
    static std::expected<std::unique_ptr<EncryptionEngine>, Error> Create();
    ~EncryptionEngine();
    EncryptionEngine(const EncryptionEngine&) = delete;
    EncryptionEngine& operator=(const EncryptionEngine&) = delete;

    // The engine keeps its own reference: the caller may drop its one.
    std::expected<void, Error> AttachMethod(std::shared_ptr<RsaMethod> method);
    // The attached keys, for a caller that makes their roles itself (to
    // stream a message, or to write it to several recipients); null before
    // a method is attached.
    const RsaMethod* Method() const { return method_.get(); }

    // `last` must be true: every message is encrypted as one final block.
    std::expected<Bytes, Error> EncryptBytes(std::span<const std::uint8_t> source, bool last);
    // The message and what its signature says about its writer.
    std::expected<DecryptedMessage, Error> DecryptMessage(std::span<const std::uint8_t> source,
                                                          bool last);
    // The message alone, for callers that show no writer to anyone.
    std::expected<SecureBytes, Error> DecryptBytes(std::span<const std::uint8_t> source, bool last);

private:
    EncryptionEngine() = default;
    std::shared_ptr<RsaMethod> method_;
};

}  // namespace zelvora
