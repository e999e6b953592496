#pragma once

#include "base/Error.h"
#include "base/SecureBytes.h"

#include <QString>

#include <expected>

namespace zelvora {

// Where the window gets a protected key's passphrase from: a dialog for the
// user, a scripted answer in tests.
class PassphraseAskPort {
public:
    virtual ~PassphraseAskPort() = default;

    // The passphrase for the key file at `path`, whose fingerprint is
    // `fingerprint` (empty when unknown); `again` when the last one given
    // was wrong. PassphraseCancelled when the user declines.
    virtual std::expected<SecureBytes, Error> Ask(const QString& path, const QString& fingerprint,
                                                  bool again) = 0;
};

}  // namespace zelvora
