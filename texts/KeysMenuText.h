#pragma once

#include <string>
#include <string_view>

namespace zelvora {

// What the Keys menu's entries say, in UTF-8; the window converts them.
inline constexpr std::string_view kCopyPublicKeyHeading = "Error copying your public key.";
inline constexpr std::string_view kNoPublicKeyInClipboard = "The clipboard holds no public key.";
inline constexpr std::string_view kSavePublicKeyTitle = "Save a public key";
inline constexpr std::string_view kSavePublicKeyNameLabel = "Name:";
inline constexpr std::string_view kSavePublicKeyButton = "Save";
inline constexpr std::string_view kSavePublicKeyFilter =
    "Public Key file (*.pkey)|*.pkey|All type (*.*)|*.*";

}  // namespace zelvora

namespace zelvora {

// The confirmation's description of a public key found in the clipboard:
// "RSA 3072-bit public key" or "Ed25519 public key" (`bits` 0), then the
// fingerprint on its own line, to be compared with its owner's.
std::string PublicKeyFoundText(int bits, std::string_view fingerprint);

}  // namespace zelvora
