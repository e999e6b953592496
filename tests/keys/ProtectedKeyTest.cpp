#include "keys/ProtectedKey.h"

#include "base/ErrorCode.h"
#include "tests/support/TestKeys.h"

#include <QTemporaryDir>
#include <openssl/x509.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace zelvora {
namespace {

using Span = std::span<const std::uint8_t>;

// Cheap enough to run many times; users never get it.
constexpr ScryptParameters kCheap{1024, 8, 1};
const SecureBytes kPassphrase{'t', 'e', 's', 't', ' ', 'p', 'a', 's', 's'};

const Bytes& KeyInfo() {
    return test::Alice().privateBlob;
}

const SecureBytes& CheapFile() {
    static const SecureBytes file = *Protect(KeyInfo(), kPassphrase, kCheap);
    return file;
}

std::uint64_t Get(const ASN1_INTEGER* number) {
    std::uint64_t value = 0;
    ASN1_INTEGER_get_uint64(&value, number);
    return value;
}

// An EncryptedPrivateKeyInfo opened up with OpenSSL's own types, to look at
// and to change into a damaged or a costly file that is still good DER.
struct OpenedFile {
    explicit OpenedFile(Span der) {
        const unsigned char* in = der.data();
        sig = d2i_X509_SIG(nullptr, &in, static_cast<long>(der.size()));
        X509_SIG_getm(sig, &algorithm, &data);
        pbe2 = static_cast<PBE2PARAM*>(
            ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBE2PARAM), algorithm->parameter));
        scrypt = static_cast<SCRYPT_PARAMS*>(
            ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(SCRYPT_PARAMS), pbe2->keyfunc->parameter));
    }
    ~OpenedFile() {
        SCRYPT_PARAMS_free(scrypt);
        PBE2PARAM_free(pbe2);
        X509_SIG_free(sig);
    }
    ASN1_OCTET_STRING* Iv() const { return pbe2->encryption->parameter->value.octet_string; }
    ScryptParameters Scrypt() const {
        return {Get(scrypt->costParameter), Get(scrypt->blockSize),
                Get(scrypt->parallelizationParameter)};
    }
    void SetScrypt(const ScryptParameters& s) {
        ASN1_INTEGER_set_uint64(scrypt->costParameter, s.n);
        ASN1_INTEGER_set_uint64(scrypt->blockSize, s.r);
        ASN1_INTEGER_set_uint64(scrypt->parallelizationParameter, s.p);
    }
    Bytes Der() {
        ASN1_TYPE_pack_sequence(ASN1_ITEM_rptr(SCRYPT_PARAMS), scrypt, &pbe2->keyfunc->parameter);
        ASN1_TYPE_pack_sequence(ASN1_ITEM_rptr(PBE2PARAM), pbe2, &algorithm->parameter);
        unsigned char* out = nullptr;
        const int length = i2d_X509_SIG(sig, &out);
        Bytes der(out, out + length);
        OPENSSL_free(out);
        return der;
    }

    X509_SIG* sig = nullptr;
    X509_ALGOR* algorithm = nullptr;
    ASN1_OCTET_STRING* data = nullptr;
    PBE2PARAM* pbe2 = nullptr;
    SCRYPT_PARAMS* scrypt = nullptr;
};

Bytes WithScrypt(const ScryptParameters& s) {
    OpenedFile file(CheapFile());
    file.SetScrypt(s);
    return file.Der();
}

TEST(ProtectedKeyTest, WritesFreshSaltAndIvOfSixteenBytesAndReadsBack) {
    const OpenedFile file(CheapFile());
    EXPECT_EQ(ASN1_STRING_length(file.scrypt->salt), 16);
    EXPECT_EQ(ASN1_STRING_length(file.Iv()), 16);
    EXPECT_EQ(file.Scrypt().p, kCheap.p);
    EXPECT_NE(*Protect(KeyInfo(), kPassphrase, kCheap), CheapFile());
    const auto key = Unprotect(CheapFile(), kPassphrase, CapFor(kCheap));
    ASSERT_TRUE(key.has_value()) << key.error().number;
    EXPECT_TRUE(std::ranges::equal(*key, KeyInfo()));
    EXPECT_EQ(Unprotect(CheapFile(), SecureBytes{}, CapFor(kCheap)).error(),
              MakeError(ErrorCode::PassphraseWrong));
    // With CBC padding alone, one wrong passphrase in some hundred decrypts
    // to a valid end: it must still read as wrong, not as a key.
    for (char c = 'a'; c <= 'z'; ++c) {
        const SecureBytes wrong{'x', static_cast<std::uint8_t>(c)};
        EXPECT_EQ(Unprotect(CheapFile(), wrong, CapFor(kCheap)).error(),
                  MakeError(ErrorCode::PassphraseWrong));
    }
}

TEST(ProtectedKeyTest, TellsProtectedBlobsByTheirShape) {
    const Bytes file(CheapFile().begin(), CheapFile().end());
    Bytes longer = file;
    longer.push_back(0);
    const struct {
        const char* name;
        Bytes blob;
        bool isProtected;
    } cases[] = {{"protected", file, true},
                 {"plain PKCS#8", KeyInfo(), false},
                 {"public key", test::Alice().publicBlob, false},
                 {"empty", {}, false},
                 {"trailing byte", longer, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(IsProtected(c.blob), c.isProtected) << c.name;
    }
}

constexpr std::uint64_t kP = kProductionScrypt.p;
constexpr std::uint64_t k2to14 = std::uint64_t{1} << 14;

// A file above the cap is refused before scrypt runs: quickly, even when
// running it would take minutes. Within the cap scrypt runs, and as the
// parameters no longer match the ones the file was made with, the
// passphrase no longer fits.
TEST(ProtectedKeyTest, HoldsTheScryptParametersAgainstTheCap) {
    const Error tooCostly = MakeError(ErrorCode::UnlockTooCostly);
    const Error ran = MakeError(ErrorCode::PassphraseWrong);
    const Error malformed = MakeError(ErrorCode::PrivateKeyMalformed);
    const struct {
        ScryptParameters asked;
        UnlockCap cap;
        Error expected;
    } cases[] = {
        {{1024, 8, 4}, CapFor(kCheap), ran},  // four times the work: the edge
        {{1024, 8, 5}, CapFor(kCheap), tooCostly},
        {{4096, 8, 1}, CapFor(kCheap), ran},
        {{8192, 8, 1}, CapFor(kCheap), tooCostly},
        {{k2to14, 8, 4 * kP + 1}, kProductionUnlockCap, tooCostly},
        {{k2to14, 8, std::uint64_t{1} << 62}, kProductionUnlockCap, tooCostly},
        {{std::uint64_t{1} << 62, std::uint64_t{1} << 62, 1}, kProductionUnlockCap, tooCostly},
        {{k2to14 * 2, 8, 1}, kProductionUnlockCap, tooCostly},  // over 32 MiB
        {{k2to14, 16, 1}, kProductionUnlockCap, tooCostly},     // over 32 MiB
        {{1000, 8, 1}, kProductionUnlockCap, malformed},        // not a power of two
        {{1, 8, 1}, kProductionUnlockCap, malformed},
        {{1024, 0, 1}, kProductionUnlockCap, malformed},
        {{1024, 8, 0}, kProductionUnlockCap, malformed},
    };
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const auto result = Unprotect(WithScrypt(c.asked), kPassphrase, c.cap);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
        ASSERT_FALSE(result.has_value());
        EXPECT_EQ(result.error(), c.expected) << c.asked.n << " " << c.asked.r << " " << c.asked.p
                                              << " " << std::hex << result.error().number;
    }
}

TEST(ProtectedKeyTest, RefusesDamagedFiles) {
    const Bytes good(CheapFile().begin(), CheapFile().end());
    const auto changed = [](auto&& change) {
        OpenedFile file(CheapFile());
        change(file);
        return file.Der();
    };
    const struct {
        const char* name;
        Bytes file;
    } cases[] = {
        {"empty", {}},
        {"cut short", Bytes(good.begin(), good.end() - 1)},
        {"trailing byte",
         [&] {
             Bytes b = good;
             b.push_back(0);
             return b;
         }()},
        {"short IV", changed([](OpenedFile& f) { ASN1_STRING_set(f.Iv(), "12345678", 8); })},
        {"AES-128 key length", changed([](OpenedFile& f) {
             f.scrypt->keyLength = ASN1_INTEGER_new();
             ASN1_INTEGER_set_uint64(f.scrypt->keyLength, 16);
         })},
        {"data not whole blocks", changed([](OpenedFile& f) {
             ASN1_STRING_set(f.data, ASN1_STRING_get0_data(f.data), ASN1_STRING_length(f.data) - 1);
         })},
        {"no data", changed([](OpenedFile& f) { ASN1_STRING_set(f.data, "", 0); })},
    };
    for (const auto& c : cases) {
        const auto result = Unprotect(c.file, kPassphrase, CapFor(kCheap));
        ASSERT_FALSE(result.has_value()) << c.name;
        EXPECT_EQ(result.error(), MakeError(ErrorCode::PrivateKeyMalformed)) << c.name;
    }
    EXPECT_EQ(Protect(Bytes{0x30, 0x00}, kPassphrase, kCheap).error(),
              MakeError(ErrorCode::PrivateKeyMalformed));
}

// Both ways against the openssl command, the reader every user has.
class OpenSslTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("openssl version >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "no openssl command";
        }
        Write("key.der", KeyInfo());
    }
    std::string Path(const char* name) const { return dir_.filePath(name).toStdString(); }
    void Write(const char* name, Span bytes) const {
        std::ofstream(Path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    Bytes Read(const char* name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    bool Run(const std::string& command) const {
        return std::system((command + " 2>/dev/null").c_str()) == 0;
    }

    QTemporaryDir dir_;
};

TEST_F(OpenSslTest, ReadsWhatZelvoraProtectsWithThePassphraseOnly) {
    Write("protected.der", CheapFile());
    const struct {
        const char* passin;
        bool reads;
    } cases[] = {{"'pass:test pass'", true}, {"pass:", false}, {"'pass:test pas'", false}};
    for (const auto& c : cases) {
        std::filesystem::remove(Path("out.der"));
        EXPECT_EQ(Run("openssl pkey -inform DER -in " + Path("protected.der") + " -passin " +
                      c.passin + " -outform DER -out " + Path("out.der")),
                  c.reads)
            << c.passin;
        // OpenSSL 3.0 writes the RSAPrivateKey alone, which ends the PrivateKeyInfo.
        if (c.reads) {
            const Bytes out = Read("out.der");
            ASSERT_GT(out.size(), 100u);
            EXPECT_TRUE(std::equal(out.rbegin(), out.rend(), KeyInfo().rbegin()));
        }
    }
}

TEST_F(OpenSslTest, ReadsWhatOpenSslProtectsInTheOneFormOnly) {
    const struct {
        const char* options;
        std::optional<ErrorCode> refused;
    } cases[] = {
        {"-v2 aes-256-cbc -scrypt -scrypt_N 16384 -scrypt_r 8 -scrypt_p 1", std::nullopt},
        {"-v2 aes-256-cbc", ErrorCode::KeyProtectionUnsupported},  // PBKDF2
        {"-v2 aes-128-cbc -scrypt -scrypt_N 1024 -scrypt_r 8 -scrypt_p 1",
         ErrorCode::KeyProtectionUnsupported},
        {"-v1 PBE-SHA1-3DES", ErrorCode::KeyProtectionUnsupported},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Run("openssl pkcs8 -topk8 -inform DER -in " + Path("key.der") + " " +
                        c.options + " -passout 'pass:test pass' -outform DER -out " +
                        Path("theirs.der")))
            << c.options;
        const Bytes theirs = Read("theirs.der");
        EXPECT_TRUE(IsProtected(theirs)) << c.options;
        const auto key = Unprotect(theirs, kPassphrase);
        if (c.refused) {
            EXPECT_EQ(key.error(), MakeError(*c.refused)) << c.options;
            continue;
        }
        ASSERT_TRUE(key.has_value()) << c.options << " " << std::hex << key.error().number;
        EXPECT_TRUE(std::ranges::equal(*key, KeyInfo()));
        EXPECT_EQ(Unprotect(theirs, SecureBytes{'t'}).error(),
                  MakeError(ErrorCode::PassphraseWrong));
    }
}

}  // namespace
}  // namespace zelvora
