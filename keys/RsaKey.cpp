#include "keys/RsaKey.h"

#include "base/ErrorCode.h"
#include "keys/DerReader.h"
#include "keys/KeyBlobShape.h"
#include "keys/KeySlot.h"
#include "keys/OpenSslHandles.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/param_build.h>
#include <openssl/params.h>

#include <memory>
#include <optional>
#include <utility>

namespace zelvora {
namespace {

using Form = KeyBlobShape::Form;
using Span = std::span<const std::uint8_t>;

// A key's numbers; the private ones are wiped when freed.
using BignumPtr = std::unique_ptr<BIGNUM, OpenSslFree<&BN_clear_free>>;

// Above this modulus size OpenSSL refuses public exponents longer than
// 64 bits, to bound the cost of a public-key operation.
constexpr int kLargeModulusBits = 3072;
constexpr int kMaxExponentBitsForLargeModulus = 64;

std::unexpected<Error> Refuse(ErrorCode error) {
    return std::unexpected(MakeError(error));
}

struct Numbers {
    BignumPtr n, e, d, p, q, dp, dq, qinv;
};

// The numbers of an RSAPublicKey (RFC 8017 A.1.1), SEQUENCE { n, e }, read
// from DER the shape has already found strict.
//
// Read here and imported as numbers rather than through OpenSSL's decoders:
// the first decoder context a process sets up gathers every key manager and
// decoder of the default provider, about 5.2 million instructions (1.1 ms
// of a 4.7 ms `zelvora-cli encrypt` of 1 KiB to an RSA-3072 key; callgrind
// and hyperfine, OpenSSL 3.0.19), where this reading and the import cost
// 0.1 million. The window, which kept one context per thread, pays the same
// at its first press.
std::optional<Numbers> PublicNumbers(Span rsaPublicKey) {
    DerReader outer(rsaPublicKey);
    const auto body = outer.Read(DerReader::kSequence);
    if (!body || !outer.AtEnd()) {
        return std::nullopt;
    }
    DerReader reader(*body);
    Numbers numbers;
    for (BignumPtr* into : {&numbers.n, &numbers.e}) {
        const auto magnitude = reader.ReadPositiveInteger();
        into->reset(BN_new());
        if (!magnitude || !*into ||
            BN_bin2bn(magnitude->data(), static_cast<int>(magnitude->size()), into->get()) ==
                nullptr) {
            ERR_clear_error();
            return std::nullopt;
        }
    }
    if (!reader.AtEnd()) {
        return std::nullopt;
    }
    return numbers;
}

// The numbers of an RSAPrivateKey (RFC 8017 A.1.2), read from the DER that
// the shape has already found strict and two-prime: version, then n, e, d,
// p, q, dp, dq and qinv. Read here rather than by OpenSSL's decoders, which
// copy the DER they are given into buffers of their own and free those
// unwiped (OpenSSL 3.0.19: one 2048-bit RSA key from PKCS#8 left 5 freed
// blocks holding its private part, counted by watching free); every private number
// goes into secure memory where OpenSSL has it and is wiped when freed.
// The whole of RsaKey::FromPrivateKeyBlob takes 37-40 µs on an RSA-3072 key
// this way (35 µs with the hand-written reader of all forms it replaced).
std::optional<Numbers> PrivateNumbers(Span rsaPrivateKey) {
    DerReader outer(rsaPrivateKey);
    const auto body = outer.Read(DerReader::kSequence);
    if (!body) {
        return std::nullopt;
    }
    DerReader reader(*body);
    if (reader.ReadSmallInteger() != 0) {
        return std::nullopt;
    }
    Numbers numbers;
    for (BignumPtr* into : {&numbers.n, &numbers.e, &numbers.d, &numbers.p, &numbers.q, &numbers.dp,
                            &numbers.dq, &numbers.qinv}) {
        const bool isPublic = into == &numbers.n || into == &numbers.e;
        const auto magnitude = reader.ReadPositiveInteger();
        into->reset(isPublic ? BN_new() : BN_secure_new());
        if (!magnitude || !*into ||
            BN_bin2bn(magnitude->data(), static_cast<int>(magnitude->size()), into->get()) ==
                nullptr) {
            ERR_clear_error();
            return std::nullopt;
        }
    }
    return numbers;
}

// Hands the numbers to OpenSSL's RSA key import, the private ones when
// `numbers` has them. The builder copies them into one block, which
// OSSL_PARAM_free wipes for numbers in secure BIGNUMs.
PkeyPtr Import(const Numbers& numbers) {
    const bool isPrivate = numbers.d != nullptr;
    const std::unique_ptr<OSSL_PARAM_BLD, OpenSslFree<&OSSL_PARAM_BLD_free>> build(
        OSSL_PARAM_BLD_new());
    bool ok = build != nullptr;
    for (auto [name, value] : {std::pair{OSSL_PKEY_PARAM_RSA_N, numbers.n.get()},
                               std::pair{OSSL_PKEY_PARAM_RSA_E, numbers.e.get()},
                               std::pair{OSSL_PKEY_PARAM_RSA_D, numbers.d.get()},
                               std::pair{OSSL_PKEY_PARAM_RSA_FACTOR1, numbers.p.get()},
                               std::pair{OSSL_PKEY_PARAM_RSA_FACTOR2, numbers.q.get()},
                               std::pair{OSSL_PKEY_PARAM_RSA_EXPONENT1, numbers.dp.get()},
                               std::pair{OSSL_PKEY_PARAM_RSA_EXPONENT2, numbers.dq.get()},
                               std::pair{OSSL_PKEY_PARAM_RSA_COEFFICIENT1, numbers.qinv.get()}}) {
        ok = ok && (value == nullptr || OSSL_PARAM_BLD_push_BN(build.get(), name, value) == 1);
    }
    const std::unique_ptr<OSSL_PARAM, OpenSslFree<&OSSL_PARAM_free>> params(
        ok ? OSSL_PARAM_BLD_to_param(build.get()) : nullptr);
    PkeyCtxPtr context(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    EVP_PKEY* key = nullptr;
    if (!params || !context || EVP_PKEY_fromdata_init(context.get()) != 1 ||
        EVP_PKEY_fromdata(context.get(), &key, isPrivate ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY,
                          params.get()) != 1) {
        ERR_clear_error();
        return nullptr;
    }
    return PkeyPtr(key);
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
// is not the wanted key holds. The key's numbers are then taken from the
// blob and imported (see PublicNumbers and PrivateNumbers); the limits are
// checked on the numbers.
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
    const auto numbers = wantPrivate ? PrivateNumbers(shape.key) : PublicNumbers(shape.key);
    if (!numbers || !HasUsablePublicPart(numbers->n.get(), numbers->e.get())) {
        return Refuse(slot.malformed);
    }
    const int bits = BN_num_bits(numbers->n.get());
    if (bits < kMinBits || bits > kMaxBits) {
        return Refuse(slot.size);
    }
    if (wantPrivate) {
        if (!HasConsistentPrivatePart(*numbers)) {
            return Refuse(slot.malformed);
        }
        // The public key a version 2 PKCS#8 states must be the key's own; a
        // file whose two halves disagree was put together wrongly, and which
        // half is right cannot be told.
        if (shape.statedPublicKey) {
            const auto stated = PublicNumbers(*shape.statedPublicKey);
            if (!stated || BN_cmp(stated->n.get(), numbers->n.get()) != 0 ||
                BN_cmp(stated->e.get(), numbers->e.get()) != 0) {
                return Refuse(slot.malformed);
            }
        }
    }
    PkeyPtr key = Import(*numbers);
    if (!key) {
        return Refuse(ErrorCode::Internal);
    }
    const auto modulusBytes = static_cast<std::size_t>(BN_num_bytes(numbers->n.get()));
    return std::unique_ptr<RsaKey>(new RsaKey(KeyHandle(key.release()), modulusBytes));
}

}  // namespace zelvora
