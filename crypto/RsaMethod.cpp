#include "crypto/RsaMethod.h"

#include "base/ErrorCode.h"
#include "keys/AnyKey.h"

#include <utility>

namespace zelvora {

std::expected<std::shared_ptr<RsaMethod>, Error> RsaMethod::Create() {
    return WithoutExceptions([]() -> std::expected<std::shared_ptr<RsaMethod>, Error> {
        return std::shared_ptr<RsaMethod>(new RsaMethod());
    });
}

RsaMethod::~RsaMethod() = default;

// A refused blob also drops the key set before: a caller that goes on after
// the error must not end up encrypting to, or decrypting with, the key the
// user meant to replace.
std::expected<void, Error> RsaMethod::SetPrivateKeyBlob(Blob blob) {
    private_.reset();
    if (!blob) {
        return {};
    }
    return WithoutExceptions([&]() -> std::expected<void, Error> {
        auto key = AnyKey::FromPrivateKeyBlob(*blob);
        if (!key) {
            return std::unexpected(std::move(key.error()));
        }
        private_ = std::make_unique<AnyKey>(std::move(*key));
        return {};
    });
}

std::expected<void, Error> RsaMethod::SetPublicKeyBlob(Blob blob) {
    public_.reset();
    if (!blob) {
        return {};
    }
    return WithoutExceptions([&]() -> std::expected<void, Error> {
        auto key = AnyKey::FromPublicKeyBlob(*blob);
        if (!key) {
            return std::unexpected(std::move(key.error()));
        }
        public_ = std::make_unique<AnyKey>(std::move(*key));
        return {};
    });
}

}  // namespace zelvora
