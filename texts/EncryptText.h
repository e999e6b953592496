#pragma once

#include "texts/FrameNotice.h"

#include <string_view>

namespace zelvora {

// What the message frame says after Encrypt put a ciphertext on the
// clipboard: for whom (the public key file's name, without its folder, and
// the recipient's fingerprint) and whether it was signed, with the signer's
// fingerprint; an empty `signer` means unsigned.
FrameNotice DescribeEncryption(std::string_view recipientFileName, std::string_view recipient,
                               std::string_view signerFileName, std::string_view signer);

// A press of Encrypt with an empty message field, which leaves the
// clipboard as it was.
FrameNotice NothingToEncrypt();

}  // namespace zelvora
