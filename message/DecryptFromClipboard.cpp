#include "message/DecryptFromClipboard.h"

#include "crypto/EncryptionEngine.h"
#include "base/HexText.h"
#include "texts/ErrorReport.h"
#include "message/InitEncryptionMethod.h"
#include "message/MessageText.h"
#include "keys/Fingerprint.h"

#include <QFileInfo>

#include <optional>

namespace zelvora {
namespace {

const QString kHeading = QStringLiteral("Error during Decrypt.");

}  // namespace

void DecryptFromClipboard(WorkWindowPort& window, ClipboardPort& clipboard, MessageBoxPort& box) {
    window.SetStagingText(clipboard.Text());
    auto created = EncryptionEngine::Create();
    std::unique_ptr<EncryptionEngine> engine = created ? std::move(*created) : nullptr;
    window.BeginWork(QStringLiteral("Decrypting..."));

    if (!engine) {
        box.Show(FormatErrorReport(kHeading, created.error()));
    } else if (InitEncryptionMethod(*engine, window, box)) {
        std::optional<QString> message;
        std::optional<SignatureNotice> notice;
        {
            const Bytes ciphertext = CiphertextFromText(QStringView(window.StagingText()));
            const auto plaintext = engine->DecryptMessage(ciphertext, true);
            if (plaintext) {
                message = DecodeMessage(plaintext->text);
                // The writer's key is the one in the public key box, the box
                // that names the recipient when the user writes.
                notice = DescribeSignature(
                    plaintext->signature, QFileInfo(window.PublicKeyPath()).fileName(),
                    plaintext->signer ? QString::fromStdString(FingerprintText(*plaintext->signer))
                                      : QString());
            } else {
                box.Show(FormatErrorReport(kHeading, plaintext.error()));
            }
        }
        // The ciphertext and the plaintext bytes are gone before the message
        // field makes its own copy of the text, so the three never take
        // memory at the same time.
        if (message) {
            window.SetMessageText(*message);
            // The field keeps a copy of its own (out of our reach, in the
            // text widget's document); this one goes now.
            WipeString(*message);
            // A selection of the text just replaced is not offered any more.
            clipboard.ReleaseSelection();
            window.ShowSignature(*notice);
        }
    }

    engine.reset();
    clipboard.Clear();
    window.SetStagingText(QString());
    window.EndWork();
}

}  // namespace zelvora
