#include "workflow/UnlockedKeyCache.h"

namespace zelvora {

UnlockedKeyCache::UnlockedKeyCache(const ClockPort& clock) : clock_(clock) {}

std::optional<SecureBytes> UnlockedKeyCache::Find(const KeyFileIdentity& identity) {
    ForgetIfIdle();
    if (!identity_) {
        return std::nullopt;
    }
    if (*identity_ != identity) {
        Forget();
        return std::nullopt;
    }
    lastUse_ = clock_.Now();
    return SecureBytes(plain_.begin(), plain_.end());
}

void UnlockedKeyCache::Keep(const KeyFileIdentity& identity, SecureBytes plain) {
    Forget();
    plain_ = std::move(plain);
    identity_ = identity;
    lastUse_ = clock_.Now();
}

void UnlockedKeyCache::ForgetIfIdle() {
    // A clock that went back counts as idle too: the time kept is unknown.
    const auto now = clock_.Now();
    if (identity_ && (now - lastUse_ >= kKeepFor || now < lastUse_)) {
        Forget();
    }
}

void UnlockedKeyCache::Forget() {
    // The wiping allocator clears the bytes as the buffer is released.
    SecureBytes().swap(plain_);
    identity_.reset();
}

}  // namespace zelvora
