#include "tests/support/TestKeys.h"

#include "keys/Utility.h"

#include <QFile>

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <stdexcept>

namespace zelvora::test {
namespace {

KeyPair Generate() {
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_RSA_gen(2048), EVP_PKEY_free);
    if (!key) {
        throw std::runtime_error("RSA key generation failed");
    }
    KeyPair pair;
    std::unique_ptr<PKCS8_PRIV_KEY_INFO, decltype(&PKCS8_PRIV_KEY_INFO_free)> info(
        EVP_PKEY2PKCS8(key.get()), PKCS8_PRIV_KEY_INFO_free);
    unsigned char* der = nullptr;
    int length = i2d_PKCS8_PRIV_KEY_INFO(info.get(), &der);
    pair.privateBlob.assign(der, der + length);
    OPENSSL_free(der);
    der = nullptr;
    length = i2d_PUBKEY(key.get(), &der);
    pair.publicBlob.assign(der, der + length);
    OPENSSL_free(der);
    return pair;
}

}  // namespace

const KeyPair& Alice() {
    static const KeyPair pair = Generate();
    return pair;
}

const KeyPair& Bob() {
    static const KeyPair pair = Generate();
    return pair;
}

void WriteKeyFile(const QString& path, const Bytes& blob) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(BytesToHex(blob).toLatin1() + "\r\n") < 0) {
        throw std::runtime_error("cannot write test key file");
    }
}

}  // namespace zelvora::test
