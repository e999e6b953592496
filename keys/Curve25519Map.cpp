#include "keys/Curve25519Map.h"

#include "base/ErrorCode.h"
#include "keys/OpenSslHandles.h"

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

// The order of the prime subgroup, 2^252 + 27742317777372353535851937790883648493
// (RFC 8032, section 5.1).
constexpr char kGroupOrderHex[] =
    "1000000000000000000000000000000014DEF9DEA2F79CD65812631A5CF5D3ED";

enum class Outcome { Done, Refused, Broken };

using BnCtxPtr = std::unique_ptr<BN_CTX, OpenSslFree<&BN_CTX_free>>;
using MontgomeryPtr = std::unique_ptr<BN_MONT_CTX, OpenSslFree<&BN_MONT_CTX_free>>;

// The numbers one conversion works with, all from one BN_CTX frame. Only
// public values pass through here, so nothing needs wiping.
struct Workspace {
    BnCtxPtr context{BN_CTX_new()};
    MontgomeryPtr montgomery{BN_MONT_CTX_new()};
    bool started = false;
    BIGNUM* p = nullptr;
    BIGNUM* d = nullptr;
    BIGNUM* twoD = nullptr;  // in Montgomery form, for AddPoints
    BIGNUM* scratch[5] = {};

    Workspace() {
        if (context && montgomery) {
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

// p = 2^255 - 19, d = -121665 / 121666 mod p (RFC 8032, section 5.1) and 2d.
bool SetUp(Workspace& w) {
    w.p = w.Number();
    w.d = w.Number();
    w.twoD = w.Number();
    for (BIGNUM*& number : w.scratch) {
        number = w.Number();
    }
    BN_CTX* const c = w.context.get();
    BIGNUM* const inverse = w.scratch[0];
    return w.scratch[4] != nullptr && BN_set_bit(w.p, 255) && BN_sub_word(w.p, 19) &&
           BN_MONT_CTX_set(w.montgomery.get(), w.p, c) && BN_set_word(inverse, 121666) &&
           BN_mod_inverse(inverse, inverse, w.p, c) != nullptr && BN_set_word(w.d, 121665) &&
           BN_mod_mul(w.d, w.d, inverse, w.p, c) && BN_sub(w.d, w.p, w.d) &&
           BN_mod_lshift1_quick(w.twoD, w.d, w.p) &&
           BN_to_montgomery(w.twoD, w.twoD, w.montgomery.get(), c);
}

// A point of the curve -x^2 + y^2 = 1 + d x^2 y^2 in extended coordinates
// (X : Y : Z : T), x = X/Z, y = Y/Z, xy = T/Z (RFC 8032, section 5.1.4),
// each in Montgomery form: a multiple then needs no division by p.
struct Point {
    BIGNUM* x;
    BIGNUM* y;
    BIGNUM* z;
    BIGNUM* t;
};

// r = a + b by the addition formulas of RFC 8032, section 5.1.4, which also
// double (a = b) and hold for every pair of points. r may be a or b: both
// are read in full before r is written. Every number stays below p, as the
// quick forms need.
bool AddPoints(Workspace& w, const Point& r, const Point& a, const Point& b) {
    BN_CTX* const c = w.context.get();
    const BIGNUM* const p = w.p;
    auto multiply = [&](BIGNUM* out, const BIGNUM* x, const BIGNUM* y) {
        return BN_mod_mul_montgomery(out, x, y, w.montgomery.get(), c) == 1;
    };
    auto [s, A, B, C, D] = w.scratch;
    return BN_mod_sub_quick(A, a.y, a.x, p) && BN_mod_sub_quick(s, b.y, b.x, p) &&
           multiply(A, A, s) && BN_mod_add_quick(B, a.y, a.x, p) &&
           BN_mod_add_quick(s, b.y, b.x, p) && multiply(B, B, s) && multiply(C, a.t, w.twoD) &&
           multiply(C, C, b.t) && multiply(D, a.z, b.z) && BN_mod_lshift1_quick(D, D, p) &&
           // E = B - A in s, H = B + A in B, F = D - C in A, G = D + C in D.
           BN_mod_sub_quick(s, B, A, p) && BN_mod_add_quick(B, B, A, p) &&
           BN_mod_sub_quick(A, D, C, p) && BN_mod_add_quick(D, D, C, p) &&
           // X3 = E F, Y3 = G H, T3 = E H, Z3 = F G.
           multiply(r.x, s, A) && multiply(r.y, D, B) && multiply(r.t, s, B) && multiply(r.z, A, D);
}

// Whether the group order times the point (x, y) is the neutral point, that
// is, whether the point lies in the prime-order subgroup. Double and add;
// the key is public, so the time it takes may depend on it.
Outcome CheckPrimeOrder(Workspace& w, const BIGNUM* x, const BIGNUM* y) {
    BN_CTX* const c = w.context.get();
    BN_MONT_CTX* const m = w.montgomery.get();
    BIGNUM* order = w.Number();
    const Point point{w.Number(), w.Number(), w.Number(), w.Number()};
    const Point sum{w.Number(), w.Number(), w.Number(), w.Number()};
    if (sum.t == nullptr || BN_hex2bn(&order, kGroupOrderHex) == 0 ||
        !BN_to_montgomery(point.x, x, m, c) || !BN_to_montgomery(point.y, y, m, c) ||
        !BN_one(point.z) || !BN_to_montgomery(point.z, point.z, m, c) ||
        !BN_mod_mul_montgomery(point.t, point.x, point.y, m, c) || !BN_copy(sum.y, point.z) ||
        !BN_copy(sum.z, point.z)) {
        return Outcome::Broken;
    }
    BN_zero(sum.x);
    BN_zero(sum.t);
    for (int bit = BN_num_bits(order) - 1; bit >= 0; --bit) {
        if (!AddPoints(w, sum, sum, sum) ||
            (BN_is_bit_set(order, bit) && !AddPoints(w, sum, sum, point))) {
            return Outcome::Broken;
        }
    }
    // Neutral: x = 0 and y = 1, that is X = 0 and Y = Z.
    return BN_is_zero(sum.x) && BN_cmp(sum.y, sum.z) == 0 ? Outcome::Done : Outcome::Refused;
}

Outcome Convert(const Encoding& yBytes, X25519PublicKey& u) {
    Workspace w;
    if (!SetUp(w)) {
        return Outcome::Broken;
    }
    BN_CTX* const c = w.context.get();
    const BIGNUM* const p = w.p;
    BIGNUM* const x = w.Number();
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
    // x^2 = (y^2 - 1) / (d y^2 + 1) (RFC 8032, section 5.1.3). -1/d is not
    // a square mod p, so the bottom is never zero.
    if (!BN_mod_sqr(top, y, p, c) || !BN_mod_mul(bottom, top, w.d, p, c) ||
        !BN_mod_add_quick(bottom, bottom, BN_value_one(), p) ||
        !BN_mod_sub_quick(top, top, BN_value_one(), p) ||
        BN_mod_inverse(bottom, bottom, p, c) == nullptr || !BN_mod_mul(top, top, bottom, p, c)) {
        return Outcome::Broken;
    }
    // BN_mod_sqrt checks its root, and gives none when x^2 is not a
    // square: then no point has this y. Either root will do: a point and
    // its negative lie in the same subgroups.
    if (BN_mod_sqrt(x, top, p, c) == nullptr) {
        return Outcome::Refused;
    }
    if (const Outcome order = CheckPrimeOrder(w, x, y); order != Outcome::Done) {
        return order;
    }
    // u = (1 + y) / (1 - y); y = 1 was refused with the small orders.
    if (!BN_mod_sub_quick(bottom, BN_value_one(), y, p) ||
        BN_mod_inverse(bottom, bottom, p, c) == nullptr ||
        !BN_mod_add_quick(top, y, BN_value_one(), p) || !BN_mod_mul(top, top, bottom, p, c) ||
        BN_bn2lebinpad(top, u.data(), static_cast<int>(u.size())) != static_cast<int>(u.size())) {
        return Outcome::Broken;
    }
    return Outcome::Done;
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
    // A y with no square root leaves a reason in OpenSSL's error queue.
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
                                       EVP_sha512(), nullptr) == 1 &&
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
