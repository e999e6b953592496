#include "keys/Curve25519Map.h"

#include "base/ErrorCode.h"
#include "keys/Algorithms.h"
#include "keys/OpenSslHandles.h"
#include "keys/X25519Halves.h"

#include <openssl/bn.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>

#include <algorithm>
#include <memory>

namespace zelvora {
namespace {

constexpr std::size_t kBytes = 32;
using Encoding = std::array<std::uint8_t, kBytes>;

// The y of every point whose order divides 8, encoded with the sign bit
// clear: 1 (the neutral point), p - 1 (order 2), 0 (the two points of order
// 4) and the two y of the four points of order 8. Together with the
// refusal of y >= p this also covers their non-canonical encodings.
constexpr std::array<Encoding, 5> kSmallOrderY = {{
    {0x00},
    {0x01},
    {0xec, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
     0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
     0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x7f},
    {0xc7, 0x17, 0x6a, 0x70, 0x3d, 0x4d, 0xd8, 0x4f, 0xba, 0x3c, 0x0b,
     0x76, 0x0d, 0x10, 0x67, 0x0f, 0x2a, 0x20, 0x53, 0xfa, 0x2c, 0x39,
     0xcc, 0xc6, 0x4e, 0xc7, 0xfd, 0x77, 0x92, 0xac, 0x03, 0x7a},
    {0x26, 0xe8, 0x95, 0x8f, 0xc2, 0xb2, 0x27, 0xb0, 0x45, 0xc3, 0xf4,
     0x89, 0xf2, 0xef, 0x98, 0xf0, 0xd5, 0xdf, 0xac, 0x05, 0xd3, 0xc6,
     0x33, 0x39, 0xb1, 0x38, 0x02, 0x88, 0x6d, 0x53, 0xfc, 0x05},
}};

// X25519's scalar for the subgroup check, 32 bytes little-endian:
// k = 2^254 + 8 k' with k' = ((-1 - 2^254) / 8) mod L, where
// L = 2^252 + 27742317777372353535851937790883648493 is the order of the
// prime subgroup (RFC 8032, section 5.1). k' happens to lie below 2^251, so
// k is already in the form X25519 clamps every scalar to (RFC 7748,
// section 5), and k = -1 (mod L), k = 0 (mod 8).
constexpr Encoding kMinusOneModOrder = {
    0xa0, 0x23, 0xcd, 0xd0, 0x83, 0xef, 0x5b, 0xb8, 0x2f, 0x10, 0xd6, 0x2e, 0x59, 0xe1, 0x5a, 0x68,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x50,
};

enum class Outcome { Done, Refused, Broken };

using BnCtxPtr = std::unique_ptr<BN_CTX, OpenSslFree<&BN_CTX_free>>;

// The numbers one conversion works with, all from one BN_CTX frame. Only
// public values pass through here, so nothing needs wiping.
struct Workspace {
    BnCtxPtr context{BN_CTX_new()};
    bool started = false;
    BIGNUM* p = nullptr;
    BIGNUM* d = nullptr;

    Workspace() {
        if (context) {
            BN_CTX_start(context.get());
            started = true;
        }
    }
    ~Workspace() {
        if (started) {
            BN_CTX_end(context.get());
        }
    }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    // Null once the context is out of memory; every later call is too.
    BIGNUM* Number() { return started ? BN_CTX_get(context.get()) : nullptr; }
};

// d = -121665 / 121666 mod p, the curve's constant (RFC 8032, section 5.1).
constexpr char kCurveConstantHex[] =
    "52036CEE2B6FFE738CC740797779E89800700A4D4141D8AB75EB4DCA135978A3";

// p = 2^255 - 19 and d.
bool SetUp(Workspace& w) {
    w.p = w.Number();
    w.d = w.Number();
    return w.d != nullptr && BN_set_bit(w.p, 255) && BN_sub_word(w.p, 19) &&
           BN_hex2bn(&w.d, kCurveConstantHex) != 0;
}

// The X25519 key pair of kMinusOneModOrder, made once per process; null if
// OpenSSL could not. Its public half is u = 9 again: the base point lies in
// the subgroup, so [k]B = -B. Handed both halves, OpenSSL need not work the
// public one out, which would cost as much as a check (about 40 us).
EVP_PKEY* OrderCheckKey() {
    static const Encoding basePoint{9};
    static const PkeyPtr key = X25519KeyFromHalves(kMinusOneModOrder, basePoint);
    return key.get();
}

// Whether the point of the curve with u-coordinate u lies in the
// prime-order subgroup, by one X25519 operation. The group of the curve is
// cyclic of order 8L, so the point is P = P_L + T with P_L in the subgroup
// and the order of T dividing 8. X25519 (RFC 7748, section 5) takes u to
// the u of [k]P, and as k = 0 (mod 8) and k = -1 (mod L), [k]P = -P_L,
// whose u is that of P_L. That equals the u of P only if P_L = P (T = O) or
// P_L = -P (T = -2 P_L, of order dividing both 8 and L, so again T = O).
// So P is in the subgroup exactly when X25519(k, u) = u. A point of small
// order (P_L = O) gives the all-zero output, which OpenSSL refuses to
// derive: a refusal there means a point outside the subgroup. The key and
// u are public, so the time it takes may depend on them.
//
// For another person's key the whole map takes about 57 us
// (BM_Ed25519PublicToX25519; 85 us before the on-curve test went to the
// Legendre symbol), against 220 us with a double-and-add multiplication by L
// on BIGNUM arithmetic. In a whole zelvora-cli encrypt to an Ed25519 key it
// is 1.0 of 18.5 million instructions, against 3.3 of 20.9.
Outcome CheckPrimeOrder(const X25519PublicKey& u) {
    EVP_PKEY* const own = OrderCheckKey();
    if (own == nullptr) {
        return Outcome::Broken;
    }
    const PkeyPtr peer{
        EVP_PKEY_new_raw_public_key_ex(nullptr, "X25519", nullptr, u.data(), u.size())};
    const PkeyCtxPtr context{peer ? EVP_PKEY_CTX_new_from_pkey(nullptr, own, nullptr) : nullptr};
    if (!context || EVP_PKEY_derive_init(context.get()) != 1 ||
        EVP_PKEY_derive_set_peer_ex(context.get(), peer.get(), 0) != 1) {
        return Outcome::Broken;
    }
    X25519PublicKey product{};
    std::size_t length = product.size();
    if (EVP_PKEY_derive(context.get(), product.data(), &length) != 1) {
        return Outcome::Refused;
    }
    return length == product.size() && product == u ? Outcome::Done : Outcome::Refused;
}

Outcome Convert(const Encoding& yBytes, X25519PublicKey& u) {
    Workspace w;
    if (!SetUp(w)) {
        return Outcome::Broken;
    }
    BN_CTX* const c = w.context.get();
    const BIGNUM* const p = w.p;
    BIGNUM* const y = w.Number();
    BIGNUM* const top = w.Number();
    BIGNUM* const bottom = w.Number();
    if (bottom == nullptr ||
        BN_lebin2bn(yBytes.data(), static_cast<int>(yBytes.size()), y) == nullptr) {
        return Outcome::Broken;
    }
    if (BN_cmp(y, p) >= 0) {
        return Outcome::Refused;
    }
    // A point has this y when x^2 = (y^2 - 1) / (d y^2 + 1) (RFC 8032,
    // section 5.1.3) is a square mod p. -1/d is not a square mod p, so the
    // bottom is never zero, and top / bottom = top * bottom / bottom^2 is a
    // square exactly when top * bottom is: its Legendre symbol answers
    // without an inversion or a root. Where no point has this y, u lies on
    // the twist; the subgroup check below would refuse it too (k +- 1 is no
    // multiple of the twist's large prime order), but that rests on k, and
    // this check costs little.
    if (!BN_mod_sqr(top, y, p, c) || !BN_mod_mul(bottom, top, w.d, p, c) ||
        !BN_mod_add_quick(bottom, bottom, BN_value_one(), p) ||
        !BN_mod_sub_quick(top, top, BN_value_one(), p) || !BN_mod_mul(top, top, bottom, p, c)) {
        return Outcome::Broken;
    }
    switch (BN_kronecker(top, p, c)) {
        case -1:
            return Outcome::Refused;
        case 0:
        case 1:
            break;
        default:
            return Outcome::Broken;
    }
    // u = (1 + y) / (1 - y); y = 1 was refused with the small orders.
    if (!BN_mod_sub_quick(bottom, BN_value_one(), y, p) ||
        BN_mod_inverse(bottom, bottom, p, c) == nullptr ||
        !BN_mod_add_quick(top, y, BN_value_one(), p) || !BN_mod_mul(top, top, bottom, p, c) ||
        BN_bn2lebinpad(top, u.data(), static_cast<int>(u.size())) != static_cast<int>(u.size())) {
        return Outcome::Broken;
    }
    return CheckPrimeOrder(u);
}

}  // namespace

std::expected<X25519PublicKey, Error> Ed25519PublicToX25519(
    std::span<const std::uint8_t, 32> ed25519Public) {
    // The top bit is the sign of x, which the map does not use.
    Encoding yBytes{};
    std::copy(ed25519Public.begin(), ed25519Public.end(), yBytes.begin());
    yBytes.back() &= 0x7F;
    if (std::find(kSmallOrderY.begin(), kSmallOrderY.end(), yBytes) != kSmallOrderY.end()) {
        return std::unexpected(MakeError(ErrorCode::PublicKeyMalformed));
    }
    X25519PublicKey u{};
    const Outcome outcome = Convert(yBytes, u);
    // A point outside the subgroup may leave a refused derive in OpenSSL's
    // error queue.
    ERR_clear_error();
    switch (outcome) {
        case Outcome::Done:
            return u;
        case Outcome::Refused:
            return std::unexpected(MakeError(ErrorCode::PublicKeyMalformed));
        case Outcome::Broken:
            break;
    }
    return std::unexpected(MakeError(ErrorCode::Internal));
}

std::expected<SecureBytes, Error> Ed25519SeedToX25519(std::span<const std::uint8_t, 32> seed) {
    return WithoutExceptions([&]() -> std::expected<SecureBytes, Error> {
        SecureBytes scalar(kBytes);
        std::array<std::uint8_t, 64> digest{};
        unsigned int length = 0;
        const bool hashed = EVP_Digest(seed.data(), seed.size(), digest.data(), &length,
                                       algorithms::Sha512(), nullptr) == 1 &&
                            length == digest.size();
        std::copy_n(digest.begin(), kBytes, scalar.begin());
        OPENSSL_cleanse(digest.data(), digest.size());
        if (!hashed) {
            return std::unexpected(MakeError(ErrorCode::Internal));
        }
        // decodeScalar25519: a multiple of the cofactor 8, with bit 254 the
        // highest set.
        scalar[0] &= 0xF8;
        scalar[31] &= 0x7F;
        scalar[31] |= 0x40;
        return scalar;
    });
}

}  // namespace zelvora
