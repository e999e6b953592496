#include "texts/PassphraseText.h"

namespace zelvora {

QString PassphrasePrompt(const QString& fileName, const QString& fingerprint) {
    QString prompt =
        QStringLiteral("The private key file %1 is protected by a passphrase.").arg(fileName);
    if (!fingerprint.isEmpty()) {
        prompt += QStringLiteral("\nFingerprint: %1").arg(fingerprint);
    }
    return prompt + QStringLiteral("\nPassphrase:");
}

QString PassphraseWrongAgain() {
    return QStringLiteral("The passphrase is wrong.");
}

}  // namespace zelvora
