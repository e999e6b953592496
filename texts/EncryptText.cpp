#include "texts/EncryptText.h"

namespace zelvora {
namespace {

// U+2014, the dash between "Message" and what happened, as after Decrypt.
const QString kDash = QStringLiteral(" \u2014 ");

}  // namespace

FrameNotice DescribeEncryption(const QString& recipientFileName, const QString& recipient,
                               const QString& signerFileName, const QString& signer) {
    const QString forWhom =
        QStringLiteral(
            "Encrypted for the key in %1 (%2): only the holder of its private key "
            "file can read the text on the clipboard.")
            .arg(recipientFileName, recipient);
    if (signer.isEmpty()) {
        return {QStringLiteral("Message") + kDash + QStringLiteral("encrypted for ") +
                    recipientFileName + QStringLiteral(", not signed"),
                forWhom + QStringLiteral(" Not signed: no private key file was named, so the "
                                         "recipient cannot tell who wrote it.")};
    }
    return {
        QStringLiteral("Message") + kDash + QStringLiteral("encrypted for ") + recipientFileName +
            QStringLiteral(", signed"),
        forWhom + QStringLiteral(" Signed with the key in %1 (%2).").arg(signerFileName, signer)};
}

FrameNotice NothingToEncrypt() {
    return {QStringLiteral("Message") + kDash + QStringLiteral("nothing to encrypt"),
            QStringLiteral("The message field is empty, so nothing was encrypted; the clipboard "
                           "still holds what it held before.")};
}

}  // namespace zelvora
