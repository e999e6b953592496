#include "keys/Curve25519Map.h"

#include "base/ErrorCode.h"
#include "base/HexText.h"
#include "tests/keys/Curve25519MapRows.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace zelvora {
namespace {

using test::kMapRows;
using test::MapRow;

std::array<std::uint8_t, 32> Array32(std::span<const std::uint8_t> bytes) {
    std::array<std::uint8_t, 32> out{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), out.size()), out.begin());
    return out;
}

// Each row against what python3-nacl gives: keys of pairs and their seeds,
// every small-order point, every non-canonical encoding, y with no x, and
// keys with a part of small order, which must all be refused.
TEST(Curve25519MapTest, AgreesWithTheIndependentImplementation) {
    for (const MapRow& row : kMapRows) {
        SCOPED_TRACE(std::string(row.note) + ": " + row.input);
        const auto input = Array32(HexToBytes(row.input));
        const Bytes expected = HexToBytes(row.expected);
        if (row.kind == 'S') {
            const auto scalar = Ed25519SeedToX25519(input);
            EXPECT_TRUE(scalar && std::ranges::equal(*scalar, expected));
        } else if (expected.empty()) {
            EXPECT_EQ(Ed25519PublicToX25519(input),
                      std::unexpected(MakeError(ErrorCode::PublicKeyMalformed)));
        } else {
            EXPECT_EQ(Ed25519PublicToX25519(input), Array32(expected));
        }
    }
}

// The subgroup check shares one OpenSSL key across the process: threads that
// map at once all get the right answers. Enough rounds that a context shared
// between threads would corrupt something.
TEST(Curve25519MapTest, ThreadsMappingAtOnceAgree) {
    std::atomic<int> wrong = 0;
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&wrong] {
                for (int round = 0; round < 20; ++round) {
                    for (const MapRow& row : kMapRows) {
                        const Bytes expected = HexToBytes(row.expected);
                        if (row.kind != 'P') {
                            continue;
                        }
                        const auto u = Ed25519PublicToX25519(Array32(HexToBytes(row.input)));
                        if (expected.empty() ? u.has_value() : !u || *u != Array32(expected)) {
                            ++wrong;
                        }
                    }
                }
            });
        }
    }
    EXPECT_EQ(wrong, 0);
}

// A pair from OpenSSL's Ed25519 gives one X25519 pair: the X25519 public key
// OpenSSL computes from the seed's scalar is the map of the Ed25519 public key.
TEST(Curve25519MapTest, SeedAndPublicKeyGiveOneX25519Pair) {
    for (int i = 0; i < 8; ++i) {
        std::array<std::uint8_t, 32> seed{};
        ASSERT_EQ(RAND_bytes(seed.data(), seed.size()), 1);
        auto rawPublic = [](int type, std::span<const std::uint8_t> secret) {
            EVP_PKEY* key = EVP_PKEY_new_raw_private_key(type, nullptr, secret.data(), 32);
            std::array<std::uint8_t, 32> out{};
            std::size_t length = out.size();
            EXPECT_EQ(EVP_PKEY_get_raw_public_key(key, out.data(), &length), 1);
            EVP_PKEY_free(key);
            return out;
        };
        const auto scalar = Ed25519SeedToX25519(seed);
        ASSERT_TRUE(scalar.has_value());
        EXPECT_EQ(Ed25519PublicToX25519(rawPublic(EVP_PKEY_ED25519, seed)),
                  rawPublic(EVP_PKEY_X25519, *scalar));
    }
}

}  // namespace
}  // namespace zelvora
