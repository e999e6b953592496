#include "keys/RsaKey.h"

#include "base/ErrorCode.h"
#include "keys/OpenSslHandles.h"
#include "keys/RsaKeyBlob.h"
#include "base/SecureBytes.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/params.h>

#include <algorithm>
#include <array>
#include <bit>

namespace zelvora {
namespace {

using Span = std::span<const std::uint8_t>;
using Kind = RsaKeyBlob::Kind;

struct SlotErrors {
    ErrorCode empty;
    ErrorCode malformed;
    ErrorCode notRsa;
    ErrorCode size;
    ErrorCode swapped;
};
constexpr SlotErrors kPrivateSlot{ErrorCode::PrivateKeyEmpty, ErrorCode::PrivateKeyMalformed,
                                  ErrorCode::PrivateKeyNotRsa, ErrorCode::PrivateKeySize,
                                  ErrorCode::PrivateKeyIsPublic};
constexpr SlotErrors kPublicSlot{ErrorCode::PublicKeyEmpty, ErrorCode::PublicKeyMalformed,
                                 ErrorCode::PublicKeyNotRsa, ErrorCode::PublicKeySize,
                                 ErrorCode::PublicKeyIsPrivate};

// Above this modulus size OpenSSL refuses public exponents longer than
// 64 bits, to bound the cost of a public-key operation.
constexpr std::size_t kLargeModulusBits = 3072;
constexpr std::size_t kMaxExponentBitsForLargeModulus = 64;

std::unexpected<Error> Refuse(ErrorCode error) {
    return std::unexpected(MakeError(error));
}

// Magnitudes here never have leading zero bytes (DerReader strips the sign
// byte and refuses redundant zeros), which keeps these helpers simple.
std::size_t BitLength(Span magnitude) {
    if (magnitude.empty()) {
        return 0;
    }
    return (magnitude.size() - 1) * 8 + static_cast<std::size_t>(std::bit_width(magnitude[0]));
}

bool IsOdd(Span magnitude) {
    return !magnitude.empty() && (magnitude.back() & 1) != 0;
}

bool IsLess(Span a, Span b) {
    if (a.size() != b.size()) {
        return a.size() < b.size();
    }
    return std::ranges::lexicographical_compare(a, b);
}

// A key the RSA code would refuse at the first encryption is refused now,
// so the user hears about the key file rather than a failed operation. An
// RSA modulus is a product of odd primes; e is odd and 1 < e < n.
bool HasUsablePublicPart(Span n, Span e) {
    if (!IsOdd(n) || !IsOdd(e) || BitLength(e) < 2 || !IsLess(e, n)) {
        return false;
    }
    return BitLength(n) <= kLargeModulusBits || BitLength(e) <= kMaxExponentBitsForLargeModulus;
}

// A private key whose numbers do not belong together would load and then
// refuse every ciphertext as "not for this key", which sends the user
// looking in the wrong place. OpenSSL's full pairwise check costs tens of
// milliseconds at 2048 bits and seconds at 8192, and the key is read at every
// press, so only the CRT relations of RFC 8017 3.2 are checked: they cost
// microseconds and, with p and q > 1, pin d down modulo lambda(n) as
// e * d = 1 (mod lcm(p - 1, q - 1)) follows from e * dp = 1 (mod p - 1) and
// e * dq = 1 (mod q - 1). The primality of p and q is not checked.
bool HasConsistentPrivatePart(const RsaKeyBlob::Numbers& k) {
    for (const Span field : {k.d, k.p, k.q, k.dp, k.dq, k.qinv}) {
        if (field.empty() || field.size() > k.n.size()) {
            return false;
        }
    }
    // Temporaries from secure memory where OpenSSL has it; every one is
    // wiped when the context goes.
    const std::unique_ptr<BN_CTX, decltype(&BN_CTX_free)> ctx(BN_CTX_secure_new(), BN_CTX_free);
    if (!ctx) {
        return false;
    }
    BN_CTX_start(ctx.get());
    const auto number = [&ctx](Span value) {
        BIGNUM* bn = BN_CTX_get(ctx.get());
        return bn != nullptr &&
                       BN_bin2bn(value.data(), static_cast<int>(value.size()), bn) != nullptr
                   ? bn
                   : nullptr;
    };
    BIGNUM* n = number(k.n);
    BIGNUM* e = number(k.e);
    BIGNUM* d = number(k.d);
    BIGNUM* p = number(k.p);
    BIGNUM* q = number(k.q);
    BIGNUM* dp = number(k.dp);
    BIGNUM* dq = number(k.dq);
    BIGNUM* qinv = number(k.qinv);
    BIGNUM* pm1 = BN_CTX_get(ctx.get());
    BIGNUM* qm1 = BN_CTX_get(ctx.get());
    BIGNUM* t = BN_CTX_get(ctx.get());
    bool ok = t != nullptr && n && e && d && p && q && dp && dq && qinv && pm1 && qm1;
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

// Hands the numbers to OpenSSL's RSA key import. OSSL_PARAM takes unsigned
// integers in native byte order, so the big-endian magnitudes are copied into
// one buffer that is wiped when it goes, as it holds the private numbers.
PkeyPtr Import(const RsaKeyBlob::Numbers& numbers, bool withPrivate) {
    struct Field {
        const char* name;
        Span value;
    };
    const std::array<Field, 8> fields{{
        {OSSL_PKEY_PARAM_RSA_N, numbers.n},
        {OSSL_PKEY_PARAM_RSA_E, numbers.e},
        {OSSL_PKEY_PARAM_RSA_D, numbers.d},
        {OSSL_PKEY_PARAM_RSA_FACTOR1, numbers.p},
        {OSSL_PKEY_PARAM_RSA_FACTOR2, numbers.q},
        {OSSL_PKEY_PARAM_RSA_EXPONENT1, numbers.dp},
        {OSSL_PKEY_PARAM_RSA_EXPONENT2, numbers.dq},
        {OSSL_PKEY_PARAM_RSA_COEFFICIENT1, numbers.qinv},
    }};
    const std::size_t count = withPrivate ? fields.size() : 2;

    std::size_t total = 0;
    for (std::size_t i = 0; i < count; ++i) {
        total += fields[i].value.size();
    }
    SecureBytes native(total);
    std::array<OSSL_PARAM, fields.size() + 1> params{};
    std::uint8_t* at = native.data();
    for (std::size_t i = 0; i < count; ++i) {
        const Span value = fields[i].value;
        if constexpr (std::endian::native == std::endian::little) {
            std::reverse_copy(value.begin(), value.end(), at);
        } else {
            std::copy(value.begin(), value.end(), at);
        }
        params[i] = OSSL_PARAM_construct_BN(fields[i].name, at, value.size());
        at += value.size();
    }
    params[count] = OSSL_PARAM_construct_end();

    PkeyCtxPtr context(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    EVP_PKEY* key = nullptr;
    if (!context || EVP_PKEY_fromdata_init(context.get()) != 1 ||
        EVP_PKEY_fromdata(context.get(), &key, withPrivate ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY,
                          params.data()) != 1) {
        ERR_clear_error();
        return nullptr;
    }
    return PkeyPtr(key);
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

// The blob is read by the component itself rather than through OpenSSL's
// generic decoders: those try every known format and cost a hundred times
// more than reading the few DER elements an RSA key consists of.
std::expected<std::unique_ptr<RsaKey>, Error> RsaKey::FromBlob(std::span<const std::uint8_t> blob,
                                                               bool wantPrivate) {
    const SlotErrors& slot = wantPrivate ? kPrivateSlot : kPublicSlot;
    if (blob.empty()) {
        return Refuse(slot.empty);
    }
    const RsaKeyBlob parsed = RsaKeyBlob::Parse(blob);
    switch (parsed.kind) {
        case Kind::Unreadable:
            return Refuse(slot.malformed);
        case Kind::OtherPrivate:
            return Refuse(wantPrivate ? slot.notRsa : slot.swapped);
        case Kind::OtherPublic:
            return Refuse(wantPrivate ? slot.swapped : slot.notRsa);
        case Kind::RsaPrivate:
            if (!wantPrivate) {
                return Refuse(slot.swapped);
            }
            break;
        case Kind::RsaPublic:
            if (wantPrivate) {
                return Refuse(slot.swapped);
            }
            break;
    }

    const RsaKeyBlob::Numbers& numbers = parsed.numbers;
    if (!HasUsablePublicPart(numbers.n, numbers.e)) {
        return Refuse(slot.malformed);
    }
    const std::size_t bits = BitLength(numbers.n);
    if (bits < static_cast<std::size_t>(kMinBits) || bits > static_cast<std::size_t>(kMaxBits)) {
        return Refuse(slot.size);
    }
    if (wantPrivate && !HasConsistentPrivatePart(numbers)) {
        return Refuse(slot.malformed);
    }
    PkeyPtr key = Import(numbers, wantPrivate);
    if (!key) {
        return Refuse(ErrorCode::Internal);
    }
    return std::unique_ptr<RsaKey>(new RsaKey(KeyHandle(key.release()), numbers.n.size()));
}

}  // namespace zelvora
