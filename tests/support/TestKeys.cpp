#include "tests/support/TestKeys.h"

#include "keys/KeyFile.h"
#include "tests/support/CryptoTestKeys.h"

#include <QFile>

#include <stdexcept>

namespace zelvora::test {

const KeyPair& Alice() {
    static const KeyPair pair{CryptoTestKeys::Rsa(2048).privateInfo,
                              CryptoTestKeys::Rsa(2048).publicInfo};
    return pair;
}

const KeyPair& Bob() {
    static const KeyPair pair{CryptoTestKeys::OtherRsa2048().privateInfo,
                              CryptoTestKeys::OtherRsa2048().publicInfo};
    return pair;
}

void WriteKeyFile(const QString& path, const Bytes& blob) {
    QFile file(path);
    const SecureBytes text = KeyFileText(blob);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(text.data()), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size())) {
        throw std::runtime_error("cannot write test key file");
    }
    // Private key files that others may read are refused.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

}  // namespace zelvora::test
