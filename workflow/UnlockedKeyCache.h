#pragma once

#include "base/SecureBytes.h"
#include "workflow/ClockPort.h"
#include "workflow/KeyFileIdentity.h"

#include <chrono>
#include <optional>

namespace zelvora {

// The one private key the window unlocked last, kept so that signing every
// message does not mean typing the passphrase every time. It is held in
// secret memory (locked, out of core dumps, wiped when freed) and only while
// it is used: ten minutes after its last use it is gone, as it is when
// asked for under any other file identity.
class UnlockedKeyCache {
public:
    static constexpr std::chrono::minutes kKeepFor{10};

    // `clock` must outlive the cache.
    explicit UnlockedKeyCache(const ClockPort& clock);

    // A copy of the plain key kept for `identity`, which counts as a use;
    // none when nothing is kept, it was kept for another file or another
    // state of this one, or it has idled too long. In those cases the kept
    // key is forgotten.
    std::optional<SecureBytes> Find(const KeyFileIdentity& identity);
    // Keeps `plain` (a DER PrivateKeyInfo) for `identity`, in place of any
    // key kept before.
    void Keep(const KeyFileIdentity& identity, SecureBytes plain);
    // Drops the kept key if it has idled too long.
    void ForgetIfIdle();
    void Forget();
    bool Holds() const { return identity_.has_value(); }

private:
    const ClockPort& clock_;
    std::optional<KeyFileIdentity> identity_;
    SecureBytes plain_;
    std::chrono::steady_clock::time_point lastUse_{};
};

}  // namespace zelvora
