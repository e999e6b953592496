#include "keys/RsaKey.h"

#include "base/ErrorCode.h"
#include "keys/OpenSslHandles.h"
#include "keys/RsaKeyBlob.h"
#include "base/SecureBytes.h"

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
    PkeyPtr key = Import(numbers, wantPrivate);
    if (!key) {
        return Refuse(ErrorCode::Internal);
    }
    return std::unique_ptr<RsaKey>(new RsaKey(KeyHandle(key.release()), numbers.n.size()));
}

}  // namespace zelvora
