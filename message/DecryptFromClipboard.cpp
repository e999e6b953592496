#include "message/DecryptFromClipboard.h"

#include "crypto/EncryptionEngine.h"
#include "keys/CiphertextDigits.h"
#include "keys/ErrorReport.h"
#include "keys/Utility.h"
#include "message/InitEncryptionMethod.h"
#include "message/MessageText.h"

#include <optional>

namespace zelvora {
namespace {

const QString kHeading = QStringLiteral("Error during Decrypt.");

// The staged text is what the user copied: often a reply with quote markers,
// a greeting and a signature around the digits. Whatever copy finding them
// takes is gone before the ciphertext is decrypted.
Bytes CiphertextIn(const QString& staged) {
    std::u16string scratch;
    const std::u16string_view digits = CiphertextDigits(
        std::u16string_view(QStringView(staged).utf16(), static_cast<std::size_t>(staged.size())),
        scratch);
    return HexToBytes(QStringView(digits));
}

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
        {
            const Bytes ciphertext = CiphertextIn(window.StagingText());
            const auto plaintext = engine->DecryptBytes(ciphertext, true);
            if (plaintext) {
                message = DecodeMessage(*plaintext);
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
        }
    }

    engine.reset();
    clipboard.Clear();
    window.SetStagingText(QString());
    window.EndWork();
}

}  // namespace zelvora
