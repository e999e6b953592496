#include "bench/BenchKeys.h"

#include "tests/support/CryptoTestKeys.h"

namespace zelvora::bench {

const BenchKeyPair& Keys3072() {
    static const BenchKeyPair pair{test::CryptoTestKeys::Rsa(3072).privateInfo,
                                   test::CryptoTestKeys::Rsa(3072).publicInfo};
    return pair;
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
