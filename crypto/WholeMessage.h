#pragma once

#include "base/Error.h"
#include "base/SecureBytes.h"
#include "crypto/DecryptedMessage.h"
#include "crypto/Identity.h"
#include "crypto/Recipient.h"
#include "crypto/SenderKey.h"
#include "crypto/Signer.h"

#include <cstdint>
#include <expected>
#include <span>

namespace zelvora {

// A version 3 message in one piece, through StreamSealer and StreamOpener,
// for callers that hold the whole message anyway (the window, whose text
// field and clipboard hold it whole). Each buffer is sized once.
std::expected<Bytes, Error> SealMessage(std::span<const Recipient* const> recipients,
                                        const Signer* signer,
                                        std::span<const std::uint8_t> message);
std::expected<DecryptedMessage, Error> OpenMessage(std::span<const std::uint8_t> ciphertext,
                                                   const Identity& identity,
                                                   const SenderKey* sender);

}  // namespace zelvora
