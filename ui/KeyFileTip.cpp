#include "ui/KeyFileTip.h"

#include "base/ErrorCode.h"
#include "keys/KeyFileDescription.h"

#include <QFile>

#include <cerrno>

namespace zelvora {
namespace {

// Short enough for a tooltip; the full report, with its advice, comes when
// the key is used.
QString WhyNoKey(const Error& error) {
    if (IsSystemError(error)) {
        switch (error.number) {
            case ENOENT:
            case ENOTDIR:
                return QStringLiteral("No key file");
            case EACCES:
            case EPERM:
                return QStringLiteral("File not readable");
            case EISDIR:
                return QStringLiteral("A folder, not a key file");
            case EFBIG:
                return QStringLiteral("Not a key");
            default:
                return QStringLiteral("File not readable");
        }
    }
    switch (static_cast<ErrorCode>(static_cast<std::uint32_t>(error.number))) {
        case ErrorCode::KeyFileNotRegular:
            return QStringLiteral("Not a plain file");
        case ErrorCode::PrivateKeyFileOpen:
            return QStringLiteral("File others can read");
        case ErrorCode::PrivateKeyFileForeign:
            return QStringLiteral("Another user's file");
        case ErrorCode::PrivateKeyEmpty:
        case ErrorCode::PublicKeyEmpty:
            return QStringLiteral("Empty file");
        case ErrorCode::PrivateKeyNotRsa:
        case ErrorCode::PublicKeyNotRsa:
            return QStringLiteral("Not a key Zelvora uses (RSA or Ed25519)");
        case ErrorCode::PrivateKeySize:
        case ErrorCode::PublicKeySize:
            return QStringLiteral("Key size not supported");
        case ErrorCode::PrivateKeyIsPublic:
            return QStringLiteral("A public key, not private");
        case ErrorCode::PublicKeyIsPrivate:
            return QStringLiteral("A private key, not public");
        case ErrorCode::PrivateKeyEncrypted:
            return QStringLiteral("Protected by a passphrase");
        default:
            return QStringLiteral("Not a key");
    }
}

}  // namespace

QString KeyFileTip(const QString& path, KeyFileKind kind) {
    if (path.isEmpty()) {
        return QString();
    }
    // The path goes to the reader as Encrypt and Decrypt pass it.
    const auto described = DescribeKeyFile(QFile::encodeName(path).toStdString(), kind);
    if (!described) {
        return WhyNoKey(described.error());
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
