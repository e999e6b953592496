#include "keys/X25519Halves.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/params.h>

namespace zelvora {

PkeyPtr X25519KeyFromHalves(std::span<const std::uint8_t, 32> privateHalf,
                            std::span<const std::uint8_t, 32> publicHalf) {
    // The parameters only point at the halves; OpenSSL reads them.
    OSSL_PARAM halves[] = {OSSL_PARAM_construct_octet_string(
                               OSSL_PKEY_PARAM_PRIV_KEY,
                               const_cast<std::uint8_t*>(privateHalf.data()), privateHalf.size()),
                           OSSL_PARAM_construct_octet_string(
                               OSSL_PKEY_PARAM_PUB_KEY,
                               const_cast<std::uint8_t*>(publicHalf.data()), publicHalf.size()),
                           OSSL_PARAM_construct_end()};
    const PkeyCtxPtr context(EVP_PKEY_CTX_new_from_name(nullptr, "X25519", nullptr));
    EVP_PKEY* made = nullptr;
    if (!context || EVP_PKEY_fromdata_init(context.get()) != 1 ||
        EVP_PKEY_fromdata(context.get(), &made, EVP_PKEY_KEYPAIR, halves) != 1) {
        ERR_clear_error();
        return nullptr;
    }
    return PkeyPtr(made);
}

}  // namespace zelvora
