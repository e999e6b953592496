#include "texts/SignatureText.h"

namespace zelvora {
namespace {

// U+2014, the dash between "Message" and the state.
const QString kDash = QStringLiteral(" \u2014 ");
const QString kAnyone =
    QStringLiteral(" Anyone who has your public key could have written this text.");

QString NotVerified(const QString& reason) {
    return QStringLiteral("Message") + kDash + QStringLiteral("not verified: ") + reason;
}

}  // namespace

SignatureNotice DescribeSignature(SignatureState state, const QString& keyFileName,
                                  const QString& signer) {
    switch (state) {
        case SignatureState::Verified:
            return {true,
                    QStringLiteral("Message") + kDash + QStringLiteral("signed by ") + keyFileName,
                    QStringLiteral("Verified: signed with the key in %1 (%2), and the signature "
                                   "checks. Only the holder of that key's private key file could "
                                   "have written this text to you.")
                        .arg(keyFileName, signer)};
        case SignatureState::NoSenderKey:
            return {false, NotVerified(QStringLiteral("no key to check")),
                    QStringLiteral("Not verified: the message names the key %1 as its signer, "
                                   "but no public key that could be read was named to check "
                                   "the signature with, so it was not checked.")
                            .arg(signer) +
                        kAnyone};
        case SignatureState::OtherSigner:
            return {false, NotVerified(QStringLiteral("signed by another key")),
                    QStringLiteral("Not verified: the message names the key %1 as its signer, "
                                   "not the key in %2, so the signature was not checked.")
                            .arg(signer, keyFileName) +
                        kAnyone};
        case SignatureState::BadSignature:
            return {false, NotVerified(QStringLiteral("bad signature")),
                    QStringLiteral("Not verified: the signature does not check with the key in "
                                   "%1 (%2). The text was not signed with that key for you, or "
                                   "it was changed.")
                            .arg(keyFileName, signer) +
                        kAnyone};
        case SignatureState::Unsigned:
            break;
    }
    return {false, NotVerified(QStringLiteral("unsigned")),
            QStringLiteral("Not verified: the message is not signed, so nothing shows who wrote "
                           "it.") +
                kAnyone};
}

QString SeveralMessagesNote(std::size_t count) {
    return QStringLiteral(
               "The text held %1 encrypted messages; this is the first from the top "
               "that your private key opens.")
        .arg(count);
}

}  // namespace zelvora
