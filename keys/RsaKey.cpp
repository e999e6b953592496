#include "keys/RsaKey.h"

#include "base/ErrorCode.h"
#include "keys/KeyBlobShape.h"
#include "keys/KeyDecoder.h"
#include "keys/KeySlot.h"
#include "keys/OpenSslHandles.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/params.h>

#include <memory>
#include <optional>

namespace zelvora {
namespace {

using Form = KeyBlobShape::Form;
using Span = std::span<const std::uint8_t>;

// Numbers read out of a decoded key; private ones are wiped when freed.
using BignumPtr = std::unique_ptr<BIGNUM, OpenSslFree<&BN_clear_free>>;

// Above this modulus size OpenSSL refuses public exponents longer than
// 64 bits, to bound the cost of a public-key operation.
constexpr int kLargeModulusBits = 3072;
constexpr int kMaxExponentBitsForLargeModulus = 64;

std::unexpected<Error> Refuse(ErrorCode error) {
    return std::unexpected(MakeError(error));
}

// The key's numbers, exported once: OpenSSL 3.0 exports the whole key for
// each EVP_PKEY_get_bn_param call, about 5 µs per number on an RSA-3072
// key against 8 µs for all of them through one EVP_PKEY_todata. Only n and
// e are set for a public key.
struct Numbers {
    BignumPtr n, e, d, p, q, dp, dq, qinv;
    bool morePrimes = false;
};

std::optional<Numbers> Export(const EVP_PKEY* key, bool withPrivate) {
    OSSL_PARAM* raw = nullptr;
    if (EVP_PKEY_todata(key, withPrivate ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY, &raw) != 1) {
        ERR_clear_error();
        return std::nullopt;
    }
    // The private numbers are wiped here, whatever memory OpenSSL gave them.
    const auto wipe = [](OSSL_PARAM* params) {
        for (OSSL_PARAM* p = params; p->key != nullptr; ++p) {
            OPENSSL_cleanse(p->data, p->data_size);
        }
        OSSL_PARAM_free(params);
    };
    const std::unique_ptr<OSSL_PARAM, decltype(wipe)> params(raw, wipe);
    const auto get = [&params](const char* name, BignumPtr& into) {
        const OSSL_PARAM* found = OSSL_PARAM_locate_const(params.get(), name);
        BIGNUM* value = nullptr;
        if (found == nullptr || OSSL_PARAM_get_BN(found, &value) != 1) {
            return false;
        }
        into.reset(value);
        return true;
    };
    Numbers numbers;
    bool ok = get(OSSL_PKEY_PARAM_RSA_N, numbers.n) && get(OSSL_PKEY_PARAM_RSA_E, numbers.e);
    if (ok && withPrivate) {
        ok = get(OSSL_PKEY_PARAM_RSA_D, numbers.d) && get(OSSL_PKEY_PARAM_RSA_FACTOR1, numbers.p) &&
             get(OSSL_PKEY_PARAM_RSA_FACTOR2, numbers.q) &&
             get(OSSL_PKEY_PARAM_RSA_EXPONENT1, numbers.dp) &&
             get(OSSL_PKEY_PARAM_RSA_EXPONENT2, numbers.dq) &&
             get(OSSL_PKEY_PARAM_RSA_COEFFICIENT1, numbers.qinv);
        numbers.morePrimes =
            OSSL_PARAM_locate_const(params.get(), OSSL_PKEY_PARAM_RSA_FACTOR3) != nullptr;
    }
    ERR_clear_error();
    return ok ? std::optional<Numbers>(std::move(numbers)) : std::nullopt;
}

// A key the RSA code would refuse at the first encryption is refused now,
// so the user hears about the key file rather than a failed operation. An
// RSA modulus is a product of odd primes; e is odd and 1 < e < n.
bool HasUsablePublicPart(const BIGNUM* n, const BIGNUM* e) {
    if (!BN_is_odd(n) || !BN_is_odd(e) || BN_num_bits(e) < 2 || BN_cmp(e, n) >= 0) {
        return false;
    }
    return BN_num_bits(n) <= kLargeModulusBits || BN_num_bits(e) <= kMaxExponentBitsForLargeModulus;
}

// A private key whose numbers do not belong together would load and then
// refuse every ciphertext as "not for this key", which sends the user
// looking in the wrong place. OpenSSL's full pairwise check costs tens of
// milliseconds at 2048 bits and seconds at 8192, and the key is read at every
// press, so only the CRT relations of RFC 8017 3.2 are checked: they cost
// microseconds and, with p and q > 1, pin d down modulo lambda(n) as
// e * d = 1 (mod lcm(p - 1, q - 1)) follows from e * dp = 1 (mod p - 1) and
// e * dq = 1 (mod q - 1). The primality of p and q is not checked.
bool HasConsistentPrivatePart(const Numbers& k) {
    const BIGNUM* n = k.n.get();
    const BIGNUM* e = k.e.get();
    BIGNUM* d = k.d.get();
    const BIGNUM* p = k.p.get();
    const BIGNUM* q = k.q.get();
    const BIGNUM* dp = k.dp.get();
    const BIGNUM* dq = k.dq.get();
    const BIGNUM* qinv = k.qinv.get();
    const int limit = BN_num_bits(n);
    for (const BIGNUM* part : {static_cast<const BIGNUM*>(d), p, q, dp, dq, qinv}) {
        if (BN_is_zero(part) || BN_num_bits(part) > limit) {
            return false;
        }
    }
    // Temporaries from secure memory where OpenSSL has it; every one is
    // wiped when the context goes.
    const std::unique_ptr<BN_CTX, OpenSslFree<&BN_CTX_free>> ctx(BN_CTX_secure_new());
    if (!ctx) {
        return false;
    }
    BN_CTX_start(ctx.get());
    BIGNUM* pm1 = BN_CTX_get(ctx.get());
    BIGNUM* qm1 = BN_CTX_get(ctx.get());
    BIGNUM* t = BN_CTX_get(ctx.get());
    bool ok = t != nullptr;
    if (ok) {
        BN_set_flags(d, BN_FLG_CONSTTIME);
        const auto is = [&t](const BIGNUM* expected) { return BN_cmp(t, expected) == 0; };
        ok = BN_cmp(p, BN_value_one()) > 0 && BN_cmp(q, BN_value_one()) > 0 &&
             BN_mul(t, p, q, ctx.get()) && is(n) && BN_sub(pm1, p, BN_value_one()) &&
             BN_sub(qm1, q, BN_value_one()) && BN_mod(t, d, pm1, ctx.get()) && is(dp) &&
             BN_mod(t, d, qm1, ctx.get()) && is(dq) && BN_mod_mul(t, q, qinv, p, ctx.get()) &&
             BN_is_one(t) && BN_mod_mul(t, e, dp, pm1, ctx.get()) && BN_is_one(t) &&
             BN_mod_mul(t, e, dq, qm1, ctx.get()) && BN_is_one(t);
    }
    BN_CTX_end(ctx.get());
    ERR_clear_error();
    return ok;
}

// OpenSSL's decoder for the form the shape names.
PkeyPtr Decode(Span blob, const KeyBlobShape& shape) {
    switch (shape.form) {
        case Form::PrivateKeyInfo:
            return DecodePrivateKeyInfo(blob, shape, "RSA");
        case Form::RsaPrivateKey:
            return DecodeKeyDer(blob, kTypeSpecific, "RSA", EVP_PKEY_KEYPAIR);
        case Form::SubjectPublicKeyInfo:
            return DecodeKeyDer(blob, kSubjectPublicKeyInfo, "RSA", EVP_PKEY_PUBLIC_KEY);
        case Form::RsaPublicKey:
            return DecodeKeyDer(blob, kTypeSpecific, "RSA", EVP_PKEY_PUBLIC_KEY);
        default:
            return nullptr;
    }
}

}  // namespace

void RsaKey::Free::operator()(evp_pkey_st* key) const noexcept {
    EVP_PKEY_free(key);
}

RsaKey::~RsaKey() = default;

std::expected<std::unique_ptr<RsaKey>, Error> RsaKey::FromPrivateKeyBlob(
    std::span<const std::uint8_t> blob) {
    return FromBlob(blob, true);
}

std::expected<std::unique_ptr<RsaKey>, Error> RsaKey::FromPublicKeyBlob(
    std::span<const std::uint8_t> blob) {
    return FromBlob(blob, false);
}

// The shape is read first, strictly, and tells the user what a blob that
// is not the wanted key holds; then OpenSSL's decoder for that structure
// and type reads the key, and the limits are checked on its numbers.
std::expected<std::unique_ptr<RsaKey>, Error> RsaKey::FromBlob(std::span<const std::uint8_t> blob,
                                                               bool wantPrivate) {
    const KeySlot& slot = wantPrivate ? kPrivateSlot : kPublicSlot;
    if (blob.empty()) {
        return Refuse(slot.empty);
    }
    const KeyBlobShape shape = KeyBlobShape::Read(blob);
    if (const auto refusal = Refusal(slot, shape, KeyBlobShape::Algorithm::Rsa)) {
        return Refuse(*refusal);
    }
    PkeyPtr key = Decode(blob, shape);
    if (!key) {
        return Refuse(slot.malformed);
    }
    const auto numbers = Export(key.get(), wantPrivate);
    if (!numbers || !HasUsablePublicPart(numbers->n.get(), numbers->e.get())) {
        return Refuse(slot.malformed);
    }
    const int bits = BN_num_bits(numbers->n.get());
    if (bits < kMinBits || bits > kMaxBits) {
        return Refuse(slot.size);
    }
    if (wantPrivate) {
        // Two primes only; the shape refuses more, this keeps it so should
        // a decoder ever take them.
        if (numbers->morePrimes || !HasConsistentPrivatePart(*numbers)) {
            return Refuse(slot.malformed);
        }
        // The public key a version 2 PKCS#8 states must be the key's own; a
        // file whose two halves disagree was put together wrongly, and which
        // half is right cannot be told.
        if (shape.statedPublicKey) {
            const PkeyPtr stated =
                DecodeKeyDer(*shape.statedPublicKey, kTypeSpecific, "RSA", EVP_PKEY_PUBLIC_KEY);
            if (!stated || EVP_PKEY_eq(key.get(), stated.get()) != 1) {
                ERR_clear_error();
                return Refuse(slot.malformed);
            }
        }
    }
    const auto modulusBytes = static_cast<std::size_t>(BN_num_bytes(numbers->n.get()));
    return std::unique_ptr<RsaKey>(new RsaKey(KeyHandle(key.release()), modulusBytes));
}

}  // namespace zelvora
