#pragma once

// Owning handles for the OpenSSL objects the component works with. Included
// by the component's source files only, so OpenSSL stays out of its API.

#include <openssl/evp.h>

#include <memory>

namespace zelvora {

template <auto FreeFunction>
struct OpenSslFree {
    template <class T>
    void operator()(T* object) const noexcept {
        FreeFunction(object);
    }
};

using PkeyPtr = std::unique_ptr<EVP_PKEY, OpenSslFree<&EVP_PKEY_free>>;
using PkeyCtxPtr = std::unique_ptr<EVP_PKEY_CTX, OpenSslFree<&EVP_PKEY_CTX_free>>;
using CipherCtxPtr = std::unique_ptr<EVP_CIPHER_CTX, OpenSslFree<&EVP_CIPHER_CTX_free>>;
using MdCtxPtr = std::unique_ptr<EVP_MD_CTX, OpenSslFree<&EVP_MD_CTX_free>>;

}  // namespace zelvora
