#pragma once

#include "base/Error.h"
#include "base/SecureBytes.h"
#include "keys/AnyKey.h"
#include "keys/Fingerprint.h"
#include "workflow/PassphrasePort.h"
#include "workflow/UnlockedKeyCache.h"

#include <expected>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zelvora {

// What a key file is named for: the user's own private key (to decrypt, or
// to sign), the public key of someone a message is written to, or of the
// person a message is expected from.
enum class KeyUse { Own, Recipient, ExpectedWriter };

struct KeyRequest {
    // As the user gave it, in the system's encoding; empty when none is
    // named, which loads no key.
    std::string path;
    KeyUse use = KeyUse::Own;
    // Public keys only: a pipe, or "-" for standard input, is read too. A
    // script that names one expects it to work; the window reads regular
    // files only, so that a pipe cannot stall it.
    bool streams = false;
};

struct LoadedKey {
    KeyUse use;
    std::string path;
    // The plain DER key, never one under a passphrase; wiped when freed.
    SecureBytes blob;
    AnyKey key;
    Fingerprint fingerprint;
};

// Where a load stopped: reading the file (it cannot be read, or its mode or
// owner is refused), or using what it holds (the passphrase, the key).
enum class KeyLoadStage { Reading, Using };

struct KeyLoadFailure {
    Error error;
    std::string path;
    KeyUse use;
    KeyLoadStage stage;
};

struct LoadedKeys {
    // One for each request that named a file, in request order.
    std::vector<LoadedKey> keys;
    // The expected writer's key file, named but not readable: a message can
    // still be read without it, only not verified, so this alone stops
    // nothing; the front end says so and decides.
    std::optional<KeyLoadFailure> unread;

    const LoadedKey* Find(KeyUse use) const;
};

// Reads, checks and decodes the key files of one press or command, in the
// order given, and stops at the first that cannot be used; later files are
// not read. Each private key file is refused for what it holds before its
// mode, so a public key file chosen by mistake is named as one. A protected
// private key is unlocked with the passphrase `passphrases` gives; the key
// under it is never read as a key while encrypted. With
// `unlocked`, a protected key kept there for the file as it was read now is
// taken without asking, and a key unlocked now is kept there; the file is
// read all the same, so a changed file is asked about anew.
std::expected<LoadedKeys, KeyLoadFailure> LoadKeys(std::span<const KeyRequest> requests,
                                                   PassphrasePort& passphrases,
                                                   UnlockedKeyCache* unlocked = nullptr);

}  // namespace zelvora
