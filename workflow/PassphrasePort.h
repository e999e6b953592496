#pragma once

#include "base/Error.h"
#include "base/ErrorCode.h"
#include "base/SecureBytes.h"

#include <expected>
#include <string_view>

namespace zelvora {

// Where the passphrase of a protected private key file comes from: the
// terminal or a file for the command line and the generator, a dialog for
// the window. Asked only when a key named for a press or command turns out
// to be protected, so a plain key never waits for anyone.
class PassphrasePort {
public:
    virtual ~PassphrasePort() = default;

    // The passphrase for the key file `file` (as the user named it).
    // `fingerprint` is the key's fingerprint text where it is known before
    // unlocking (from the public key file of the pair beside it), empty
    // otherwise: the public half of a protected key is under the passphrase
    // too. An answer that is no passphrase is an error: PassphraseCancelled
    // when the user declined, NoTerminalForPassphrase or PrivateKeyEncrypted
    // when nobody can be asked, or why the passphrase could not be read.
    virtual std::expected<SecureBytes, Error> Passphrase(std::string_view file,
                                                         std::string_view fingerprint) = 0;

    // Asked after `Passphrase` or this gave a wrong passphrase, at most twice
    // in a row. Only a front end that can ask again in place (the window's
    // dialog) does; by default the wrong passphrase is the answer, so a
    // script that feeds one passphrase is told at once.
    virtual std::expected<SecureBytes, Error> PassphraseAgain(std::string_view, std::string_view) {
        return std::unexpected(MakeError(ErrorCode::PassphraseWrong));
    }
};

}  // namespace zelvora
