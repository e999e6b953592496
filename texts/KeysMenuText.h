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

namespace zelvora {

// The Keys menu's entries.
inline constexpr std::string_view kKeysMenu = "&Keys";
inline constexpr std::string_view kMakeKeyPairMenu = "Make key pair\u2026";
inline constexpr std::string_view kCopyPublicKeyMenu = "Copy my public key";
inline constexpr std::string_view kSavePublicKeyMenu = "Save a public key from the clipboard\u2026";
inline constexpr std::string_view kForgetKeyMenu = "Forget unlocked key";

inline constexpr std::string_view kMakeKeyPairTitle = "Make key pair";
inline constexpr std::string_view kMakeKeyPairNameLabel = "Name:";
inline constexpr std::string_view kMakeKeyPairFolderLabel = "Folder:";
inline constexpr std::string_view kMakeKeyPairBrowse = "Browse\u2026";
inline constexpr std::string_view kMakeKeyPairKindLabel = "Kind:";
inline constexpr std::string_view kMakeKeyPairRsa = "RSA 3072";
inline constexpr std::string_view kMakeKeyPairEd25519 = "Ed25519";
inline constexpr std::string_view kMakeKeyPairPassphraseLabel = "Passphrase:";
inline constexpr std::string_view kMakeKeyPairAgainLabel = "Passphrase again:";
inline constexpr std::string_view kMakeKeyPairNoPassphrase = "No passphrase";
inline constexpr std::string_view kMakeKeyPairNoPassphraseWarning =
    "Without a passphrase, anyone who copies the private key file can read your "
    "messages and sign as you.";
inline constexpr std::string_view kMakeKeyPairButton = "Make";
inline constexpr std::string_view kMakeKeyPairBusy = "Making a key pair\u2026";
inline constexpr std::string_view kMakeKeyPairHeading = "Error making the key pair.";

// What the window says once a pair is made: the private key file now in the
// private key box, and the fingerprint to read out to the people who will
// write to you.
std::string KeyPairMadeText(std::string_view privateFile, std::string_view fingerprint);

}  // namespace zelvora
