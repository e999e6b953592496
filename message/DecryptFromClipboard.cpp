#include "message/DecryptFromClipboard.h"

#include "crypto/EncryptionEngine.h"
#include "keys/ErrorReport.h"
#include "keys/Utility.h"
#include "message/InitEncryptionMethod.h"
#include "message/MessageText.h"

#include <algorithm>
#include <optional>

namespace zelvora {
namespace {

const QString kHeading = QStringLiteral("Error during Decrypt.");

// Ciphertext is pure hex, but mail and chat programs wrap long lines and add
// a final line break when the user copies it. Those characters would shift
// every later digit pair, so they go before the text is read.
QString WithoutLineBreaksAndBlanks(QString text) {
    const auto isGap = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
    // The text shares its characters with the staging field; removing none
    // would still copy them all, which for 16 MiB of ciphertext is 64 MiB.
    if (std::any_of(text.cbegin(), text.cend(), isGap)) {
        text.removeIf(isGap);
    }
    return text;
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
            const Bytes ciphertext =
                HexToBytes(QStringView(WithoutLineBreaksAndBlanks(window.StagingText())));
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
