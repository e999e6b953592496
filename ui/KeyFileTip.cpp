#include "ui/KeyFileTip.h"

#include "keys/KeyFileDescription.h"
#include "texts/ErrorTable.h"

#include <QFile>

namespace zelvora {

QString KeyFileTip(const QString& path, KeyFileKind kind) {
    if (path.isEmpty()) {
        return QString();
    }
    // The path goes to the reader as Encrypt and Decrypt pass it.
    const auto described = DescribeKeyFile(QFile::encodeName(path).toStdString(), kind);
    if (!described) {
        // Short enough for a tooltip; the full report, with its advice, comes
        // when the key is used.
        return QString::fromUtf8(PathBoxWord(described.error()));
    }
    // An RSA key by its size; an Ed25519 key has one size only.
    const QString size = described->keyKind == KeyKind::Ed25519
                             ? QStringLiteral("Ed25519")
                             : QStringLiteral("%1-bit").arg(described->bits);
    return QStringLiteral("%1 %2 key, %3")
        .arg(size)
        .arg(kind == KeyFileKind::Private ? QStringLiteral("private") : QStringLiteral("public"))
        .arg(QString::fromStdString(FingerprintText(described->fingerprint)));
}

}  // namespace zelvora
