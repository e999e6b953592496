#include "bench/BenchKeys.h"

#include "keys/Utility.h"

#include <QFile>

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <cstdlib>
#include <cstdio>
#include <memory>

namespace zelvora::bench {
namespace {

[[noreturn]] void Die(const char* what) {
    std::fprintf(stderr, "benchmark set-up failed: %s\n", what);
    std::abort();
}

BenchKeyPair Generate() {
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_RSA_gen(3072), EVP_PKEY_free);
    if (!key) {
        Die("RSA key generation");
    }
    std::unique_ptr<PKCS8_PRIV_KEY_INFO, decltype(&PKCS8_PRIV_KEY_INFO_free)> info(
        EVP_PKEY2PKCS8(key.get()), PKCS8_PRIV_KEY_INFO_free);
    BenchKeyPair pair;
    unsigned char* der = nullptr;
    int length = i2d_PKCS8_PRIV_KEY_INFO(info.get(), &der);
    if (length <= 0) {
        Die("private key encoding");
    }
    pair.privateBlob.assign(der, der + length);
    OPENSSL_free(der);
    der = nullptr;
    length = i2d_PUBKEY(key.get(), &der);
    if (length <= 0) {
        Die("public key encoding");
    }
    pair.publicBlob.assign(der, der + length);
    OPENSSL_free(der);
    return pair;
}

}  // namespace

const BenchKeyPair& Keys3072() {
    static const BenchKeyPair pair = Generate();
    return pair;
}

void WriteKeyFile(const QString& path, const Bytes& blob) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(BytesToHex(blob).toLatin1() + "\r\n") < 0) {
        Die("key file writing");
    }
    // Private key files that others may read are refused.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

QString MessageText(std::size_t size) {
    QString text;
    text.reserve(static_cast<qsizetype>(size));
    for (std::size_t i = 0; i < size; ++i) {
        text.append(i % 65 == 64 ? QChar(u'\n') : QChar(u'a' + static_cast<char16_t>(i % 26)));
    }
    return text;
}

}  // namespace zelvora::bench
