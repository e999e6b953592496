#include "workflow/KeyLoading.h"

#include "base/ErrorCode.h"
#include "crypto/KeyRoles.h"
#include "keys/KeyFile.h"
#include "keys/ProtectedKey.h"
#include "workflow/PublicKeyInput.h"

#include <cerrno>

namespace zelvora {
namespace {

std::expected<std::optional<SecureBytes>, Error> ReadBlob(const KeyRequest& request) {
    if (request.use != KeyUse::Own && request.streams) {
        return ReadPublicKeyInput(request.path);
    }
    return ReadKeyFile(request.path,
                       request.use == KeyUse::Own ? KeyFileKind::Private : KeyFileKind::Public);
}

// The fingerprint the user can check a passphrase prompt against: that of
// the pair's public key file beside a "NAME.skey", when there is one.
std::string SiblingFingerprint(const std::string& path) {
    constexpr std::string_view kPrivateEnding = ".skey";
    if (!path.ends_with(kPrivateEnding)) {
        return {};
    }
    const std::string sibling = path.substr(0, path.size() - kPrivateEnding.size()) + ".pkey";
    const auto blob = ReadKeyFile(sibling, KeyFileKind::Public);
    if (!blob || !*blob) {
        return {};
    }
    const auto key = AnyKey::FromPublicKeyBlob(**blob);
    if (!key) {
        return {};
    }
    const auto fingerprint = KeyFingerprint(*key);
    return fingerprint ? FingerprintText(*fingerprint) : std::string();
}

// How many passphrases one press may try before it ends: enough for a typo
// or two, few enough that guessing at the window costs a new press.
constexpr int kPassphraseTries = 3;

// The plain key inside a protected one, or the blob as it is.
std::expected<SecureBytes, Error> Unlocked(SecureBytes blob, const std::string& path,
                                           PassphrasePort& passphrases,
                                           UnlockedKeyCache* unlocked) {
    if (!IsProtected(blob)) {
        // The file no longer holds the key kept for it.
        if (unlocked) {
            unlocked->Forget();
        }
        return blob;
    }
    const auto identity = unlocked ? IdentifyKeyFile(path, blob) : std::nullopt;
    if (identity) {
        if (auto kept = unlocked->Find(*identity)) {
            return std::move(*kept);
        }
    } else if (unlocked) {
        unlocked->Forget();
    }
    const std::string fingerprint = SiblingFingerprint(path);
    auto passphrase = passphrases.Passphrase(path, fingerprint);
    for (int tries = 1;; ++tries) {
        if (!passphrase) {
            return std::unexpected(passphrase.error());
        }
        auto plain = Unprotect(blob, *passphrase);
        // The passphrase has done its work; its buffer is wiped as it goes.
        SecureBytes().swap(*passphrase);
        if (plain) {
            if (identity) {
                unlocked->Keep(*identity, SecureBytes(plain->begin(), plain->end()));
            }
            return plain;
        }
        if (plain.error() != MakeError(ErrorCode::PassphraseWrong) || tries == kPassphraseTries) {
            return std::unexpected(plain.error());
        }
        passphrase = passphrases.PassphraseAgain(path, fingerprint);
    }
}

std::expected<LoadedKey, KeyLoadFailure> LoadOne(const KeyRequest& request,
                                                 PassphrasePort& passphrases,
                                                 UnlockedKeyCache* unlocked) {
    const auto fail = [&request](const Error& error, KeyLoadStage stage) {
        return std::unexpected(KeyLoadFailure{error, request.path, request.use, stage});
    };
    auto read = ReadBlob(request);
    if (!read) {
        // A key file gone or refused takes the key kept for it along.
        if (request.use == KeyUse::Own && unlocked) {
            unlocked->Forget();
        }
        return fail(read.error(), KeyLoadStage::Reading);
    }
    SecureBytes blob = read->has_value() ? std::move(**read) : SecureBytes();
    if (request.use == KeyUse::Own) {
        auto plain = Unlocked(std::move(blob), request.path, passphrases, unlocked);
        if (!plain) {
            return fail(plain.error(), KeyLoadStage::Using);
        }
        blob = std::move(*plain);
    }
    auto key = request.use == KeyUse::Own ? AnyKey::FromPrivateKeyBlob(blob)
                                          : AnyKey::FromPublicKeyBlob(blob);
    if (!key) {
        return fail(key.error(), KeyLoadStage::Using);
    }
    // The expected writer's key is checked as a signature will be checked
    // against it now, so a key that can never vouch for a writer is named
    // as that key, not as a fault of the message.
    if (request.use == KeyUse::ExpectedWriter) {
        if (const auto sender = MakeSenderKey(*key); !sender) {
            return fail(sender.error(), KeyLoadStage::Using);
        }
    }
    const auto fingerprint = KeyFingerprint(*key);
    if (!fingerprint) {
        return fail(fingerprint.error(), KeyLoadStage::Using);
    }
    return LoadedKey{request.use, request.path, std::move(blob), std::move(*key), *fingerprint};
}

}  // namespace

const LoadedKey* LoadedKeys::Find(KeyUse use) const {
    for (const LoadedKey& key : keys) {
        if (key.use == use) {
            return &key;
        }
    }
    return nullptr;
}

std::expected<LoadedKeys, KeyLoadFailure> LoadKeys(std::span<const KeyRequest> requests,
                                                   PassphrasePort& passphrases,
                                                   UnlockedKeyCache* unlocked) {
    // Only allocation failures throw; they end the load like any failure.
    try {
        LoadedKeys loaded;
        for (const KeyRequest& request : requests) {
            if (request.path.empty()) {
                continue;
            }
            auto key = LoadOne(request, passphrases, unlocked);
            if (key) {
                loaded.keys.push_back(std::move(*key));
                continue;
            }
            const bool unreadWriter =
                request.use == KeyUse::ExpectedWriter && key.error().stage == KeyLoadStage::Reading;
            if (!unreadWriter) {
                return std::unexpected(key.error());
            }
            loaded.unread = key.error();
        }
        return loaded;
    } catch (...) {
        return std::unexpected(
            KeyLoadFailure{MakeError(ErrorCode::Internal), {}, KeyUse::Own, KeyLoadStage::Using});
    }
}

}  // namespace zelvora
