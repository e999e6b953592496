// Keys as the openssl command writes them (tests/keys/data, made once with
// genpkey, pkey, rsa and pkcs8 -topk8 -v2 aes-256-cbc -scrypt; the two
// version 2 Ed25519 files add the [1] public key field to a genpkey key).

#include "keys/AnyKey.h"

#include "base/ErrorCode.h"
#include "message/WindowHex.h"
#include "keys/Fingerprint.h"
#include "keys/KeyFileDescription.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <variant>

namespace zelvora {
namespace {

Bytes KeyData(const std::string& name) {
    std::ifstream file(std::string(ZELVORA_KEY_DATA) + "/" + name, std::ios::binary);
    EXPECT_TRUE(file) << name;
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

enum class Slot { Private, Public };
enum class Via { AnyKind, Rsa, Ed25519 };
enum class Edit { Keep, AppendByte, Twice, DropLastByte };
using Outcome = std::variant<KeyKind, ErrorCode>;

struct DecodeCase {
    const char* name;
    const char* file;
    Edit edit;
    Slot slot;
    Outcome expected;
    Via via = Via::AnyKind;
};

void PrintTo(const DecodeCase& row, std::ostream* out) {
    *out << row.name;
}

Bytes Edited(Bytes blob, Edit edit) {
    switch (edit) {
        case Edit::Keep:
            break;
        case Edit::AppendByte:
            blob.push_back(0x00);
            break;
        case Edit::Twice: {
            const Bytes copy = blob;
            blob.insert(blob.end(), copy.begin(), copy.end());
            break;
        }
        case Edit::DropLastByte:
            blob.pop_back();
            break;
    }
    return blob;
}

// What decoding gave, in the table's terms.
template <class Key>
Outcome Got(const std::expected<Key, Error>& key, KeyKind kind) {
    if (key) {
        return kind;
    }
    return static_cast<ErrorCode>(static_cast<std::uint32_t>(key.error().number));
}

Outcome Decode(const DecodeCase& c, std::span<const std::uint8_t> blob) {
    const bool isPrivate = c.slot == Slot::Private;
    switch (c.via) {
        case Via::AnyKind: {
            const auto key =
                isPrivate ? AnyKey::FromPrivateKeyBlob(blob) : AnyKey::FromPublicKeyBlob(blob);
            return key ? Outcome(key->Kind()) : Got(key, KeyKind::Rsa);
        }
        case Via::Rsa:
            return Got(
                isPrivate ? RsaKey::FromPrivateKeyBlob(blob) : RsaKey::FromPublicKeyBlob(blob),
                KeyKind::Rsa);
        case Via::Ed25519:
            return Got(isPrivate ? Ed25519Key::FromPrivateKeyBlob(blob)
                                 : Ed25519Key::FromPublicKeyBlob(blob),
                       KeyKind::Ed25519);
    }
    return ErrorCode::Internal;
}

class KeyDecodingTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(KeyDecodingTest, TellsTheKindOrRefuses) {
    const DecodeCase& c = GetParam();
    const Bytes blob = Edited(KeyData(c.file), c.edit);
    EXPECT_EQ(Decode(c, blob), c.expected);
}

using enum Edit;
using enum Slot;
using enum ErrorCode;
constexpr KeyKind kRsa = KeyKind::Rsa;
constexpr KeyKind kEd25519 = KeyKind::Ed25519;

INSTANTIATE_TEST_SUITE_P(
    OpenSslFiles, KeyDecodingTest,
    ::testing::Values(
        DecodeCase{"RsaPkcs8", "rsa-private-pkcs8.der", Keep, Private, kRsa},
        DecodeCase{"RsaPkcs1Private", "rsa-private-pkcs1.der", Keep, Private, kRsa},
        DecodeCase{"RsaSpki", "rsa-public-spki.der", Keep, Public, kRsa},
        DecodeCase{"RsaPkcs1Public", "rsa-public-pkcs1.der", Keep, Public, kRsa},
        DecodeCase{"Ed25519Pkcs8", "ed25519-private-pkcs8.der", Keep, Private, kEd25519},
        DecodeCase{"Ed25519Version2", "ed25519-private-v2.der", Keep, Private, kEd25519},
        DecodeCase{"Ed25519Spki", "ed25519-public-spki.der", Keep, Public, kEd25519},
        // Whose own public key is not the one the file states.
        DecodeCase{"Ed25519ForeignPublicKey", "ed25519-private-v2-foreign.der", Keep, Private,
                   PrivateKeyMalformed},
        DecodeCase{"RsaEncrypted", "rsa-private-encrypted.der", Keep, Private, PrivateKeyEncrypted},
        DecodeCase{"Ed25519Encrypted", "ed25519-private-encrypted.der", Keep, Private,
                   PrivateKeyEncrypted},
        DecodeCase{"RsaEncryptedAsPublic", "rsa-private-encrypted.der", Keep, Public,
                   PublicKeyIsPrivate},
        DecodeCase{"RsaEncryptedWithTrailingByte", "rsa-private-encrypted.der", AppendByte, Private,
                   PrivateKeyMalformed},
        DecodeCase{"RsaPkcs8WithTrailingByte", "rsa-private-pkcs8.der", AppendByte, Private,
                   PrivateKeyMalformed},
        DecodeCase{"RsaPkcs8Twice", "rsa-private-pkcs8.der", Twice, Private, PrivateKeyMalformed},
        DecodeCase{"RsaPkcs1Twice", "rsa-private-pkcs1.der", Twice, Private, PrivateKeyMalformed},
        DecodeCase{"RsaSpkiTwice", "rsa-public-spki.der", Twice, Public, PublicKeyMalformed},
        DecodeCase{"RsaPkcs8Truncated", "rsa-private-pkcs8.der", DropLastByte, Private,
                   PrivateKeyMalformed},
        DecodeCase{"Ed25519Pkcs8WithTrailingByte", "ed25519-private-pkcs8.der", AppendByte, Private,
                   PrivateKeyMalformed},
        DecodeCase{"Ed25519Pkcs8Twice", "ed25519-private-pkcs8.der", Twice, Private,
                   PrivateKeyMalformed},
        DecodeCase{"Ed25519Pkcs8Truncated", "ed25519-private-pkcs8.der", DropLastByte, Private,
                   PrivateKeyMalformed},
        DecodeCase{"Ed25519SpkiWithTrailingByte", "ed25519-public-spki.der", AppendByte, Public,
                   PublicKeyMalformed},
        DecodeCase{"Ed25519SpkiTruncated", "ed25519-public-spki.der", DropLastByte, Public,
                   PublicKeyMalformed},
        DecodeCase{"Ed25519SpkiAsPrivate", "ed25519-public-spki.der", Keep, Private,
                   PrivateKeyIsPublic},
        DecodeCase{"Ed25519Pkcs8AsPublic", "ed25519-private-pkcs8.der", Keep, Public,
                   PublicKeyIsPrivate},
        DecodeCase{"EcPkcs8", "ec-private-pkcs8.der", Keep, Private, PrivateKeyNotRsa},
        DecodeCase{"EcSec1", "ec-private-sec1.der", Keep, Private, PrivateKeyNotRsa},
        DecodeCase{"EcSpki", "ec-public-spki.der", Keep, Public, PublicKeyNotRsa},
        // Each class on its own takes only its own kind.
        DecodeCase{"RsaClassGivenEd25519", "ed25519-private-pkcs8.der", Keep, Private,
                   PrivateKeyNotRsa, Via::Rsa},
        DecodeCase{"Ed25519ClassGivenRsa", "rsa-public-spki.der", Keep, Public, PublicKeyMalformed,
                   Via::Ed25519},
        DecodeCase{"Ed25519ClassOwnKind", "ed25519-private-v2.der", Keep, Private, kEd25519,
                   Via::Ed25519}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Key files described: kind, size and a fingerprint openssl agrees with ---

struct DescribeCase {
    const char* name;
    const char* file;
    KeyFileKind slot;
    KeyKind kind;
    int bits;
    // openssl pkey -pubout -outform DER | openssl dgst -sha256 -binary | base64
    const char* fingerprint;
};

void PrintTo(const DescribeCase& row, std::ostream* out) {
    *out << row.name;
}

class DescribeTest : public ::testing::TestWithParam<DescribeCase> {};

TEST_P(DescribeTest, NamesTheKeyAsOpenSslPrintsIt) {
    const DescribeCase& c = GetParam();
    QTemporaryDir dir;
    const std::string path = QFile::encodeName(dir.filePath("key")).toStdString();
    std::ofstream(path, std::ios::binary) << BytesToHex(KeyData(c.file)).toStdString() << "\r\n";
    chmod(path.c_str(), 0600);

    const auto described = DescribeKeyFile(path, c.slot);
    ASSERT_TRUE(described) << described.error().number;
    EXPECT_EQ(described->keyKind, c.kind);
    EXPECT_EQ(described->bits, c.bits);
    EXPECT_EQ(FingerprintText(described->fingerprint), c.fingerprint);
}

constexpr const char* kRsaPrint = "SHA256:EJhWHxo6pbzD7wRFArVUmZ7e8/cS08wkLhFxFkJ3TpY";
constexpr const char* kEd25519Print = "SHA256:thhDTpiw5Xz9WtyT3nLLgORZBvqWx6nnu7YTI4lQ3xE";

INSTANTIATE_TEST_SUITE_P(
    OpenSslFiles, DescribeTest,
    ::testing::Values(DescribeCase{"RsaPkcs8", "rsa-private-pkcs8.der", KeyFileKind::Private, kRsa,
                                   2048, kRsaPrint},
                      DescribeCase{"RsaPkcs1Private", "rsa-private-pkcs1.der", KeyFileKind::Private,
                                   kRsa, 2048, kRsaPrint},
                      DescribeCase{"RsaPkcs1Public", "rsa-public-pkcs1.der", KeyFileKind::Public,
                                   kRsa, 2048, kRsaPrint},
                      DescribeCase{"Ed25519Pkcs8", "ed25519-private-pkcs8.der",
                                   KeyFileKind::Private, kEd25519, 0, kEd25519Print},
                      DescribeCase{"Ed25519Version2", "ed25519-private-v2.der",
                                   KeyFileKind::Private, kEd25519, 0, kEd25519Print},
                      DescribeCase{"Ed25519Spki", "ed25519-public-spki.der", KeyFileKind::Public,
                                   kEd25519, 0, kEd25519Print}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelvora
