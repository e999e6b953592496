#pragma once

#include "texts/FrameNotice.h"
#include "texts/SignatureText.h"

#include "base/Error.h"
#include "base/SecureBytes.h"

#include <QString>

#include <expected>

namespace zelvora {

class UnlockedKeyCache;

// What the encrypt and decrypt operations need of the main window: its text
// fields and its busy state.
class WorkWindowPort {
public:
    virtual ~WorkWindowPort() = default;

    virtual QString PrivateKeyPath() const = 0;
    virtual QString PublicKeyPath() const = 0;

    // The message field the user types into.
    virtual QString MessageText() const = 0;
    virtual void SetMessageText(const QString& text) = 0;

    // The staging field, never shown, that carries hex text between the
    // clipboard and the component; it is empty between operations.
    virtual QString StagingText() const = 0;
    virtual void SetStagingText(const QString& text) = 0;

    // Shows `caption`, disables the work controls, and lets pending events
    // run once so the change is painted before the work blocks the thread.
    virtual void BeginWork(const QString& caption) = 0;
    virtual void EndWork() = 0;

    // What the decrypted message just put in the message field says about
    // its writer. Shown from EndWork on, for as long as that text stands
    // unchanged; the next BeginWork, or any change to the text, drops it.
    virtual void ShowSignature(const SignatureNotice& notice) = 0;
    // What a press did with the message field's text (encrypted it, or found
    // nothing to encrypt). Given during work, shown from EndWork on; given
    // outside work, shown at once. It stands, like a signature, until the
    // text changes or the next BeginWork.
    virtual void ShowNotice(const FrameNotice& notice) = 0;

    // The passphrase of the protected private key file at `path`, as the
    // box names it; `fingerprint` is the key's fingerprint text where known
    // before unlocking, empty otherwise; `again` says the passphrase given
    // last was wrong. An Error when the user declines (PassphraseCancelled)
    // or nobody can be asked (PrivateKeyEncrypted).
    virtual std::expected<SecureBytes, Error> AskPassphrase(const QString& path,
                                                            const QString& fingerprint,
                                                            bool again) const = 0;

    // Where the window keeps the private key it unlocked last, if it keeps
    // one at all.
    virtual UnlockedKeyCache* UnlockedKeys() const { return nullptr; }
};

}  // namespace zelvora
