#pragma once

#include "base/SecureBytes.h"

#include <QString>

namespace zelvora::test {

// An RSA key pair as DER blobs: PKCS#8 private key, SubjectPublicKeyInfo.
struct KeyPair {
    Bytes privateBlob;
    Bytes publicBlob;
};

// Two distinct 2048-bit pairs, made once per test run.
const KeyPair& Alice();
const KeyPair& Bob();

// Writes `blob` in the regular key file form: upper-case hex and CR LF.
void WriteKeyFile(const QString& path, const Bytes& blob);

}  // namespace zelvora::test
