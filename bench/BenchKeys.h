#pragma once

#include "base/SecureBytes.h"

#include <QString>

#include <cstddef>

namespace zelvora::bench {

// One RSA key pair as the key files hold it: DER PKCS#8 private key and DER
// SubjectPublicKeyInfo.
struct BenchKeyPair {
    Bytes privateBlob;
    Bytes publicBlob;
};

// A 3072-bit pair, made once per process: the size a careful user picks
// today, and the one every benchmark here is quoted for.
const BenchKeyPair& Keys3072();

// Writes `blob` as a key file: upper-case hex and CR LF, as users keep them.
void WriteKeyFile(const QString& path, const Bytes& blob);

// Printable text of `size` bytes in lines of 64 characters and a line feed,
// the shape of a typed or pasted message.
QString MessageText(std::size_t size);

}  // namespace zelvora::bench
