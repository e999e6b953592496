#include "message/DecryptFromClipboard.h"

#include "crypto/EncryptionEngine.h"
#include "base/CiphertextDigits.h"
#include "message/WindowHex.h"
#include "texts/ErrorReport.h"
#include "message/InitEncryptionMethod.h"
#include "message/MessageText.h"
#include "keys/Fingerprint.h"
#include "keys/RsaKey.h"

#include <QFileInfo>

#include <optional>
#include <vector>

namespace zelvora {
namespace {

constexpr char kHeading[] = "Error during Decrypt.";

// No message is shorter than its version byte and its key wrapped under the
// smallest RSA key allowed, so a shorter block (a greeting of hex letters, a
// number) is not worth a try when the text holds a longer one.
constexpr std::size_t kShortestMessageDigits = 2 * (1 + RsaKey::kMinBits / 8);

// The blocks of `text` to try, from the top: each that may be a message, or
// the one block the single-message rule picks when none looks like one.
std::vector<std::size_t> BlocksToTry(const CiphertextBlocks& found) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < found.blocks.size(); ++i) {
        if (found.blocks[i].size() >= kShortestMessageDigits) {
            order.push_back(i);
        }
    }
    if (order.empty()) {
        order.push_back(found.chosen);
    }
    return order;
}

}  // namespace

void DecryptFromClipboard(WorkWindowPort& window, ClipboardPort& clipboard, MessageBoxPort& box) {
    window.SetStagingText(clipboard.Text());
    auto created = EncryptionEngine::Create();
    std::unique_ptr<EncryptionEngine> engine = created ? std::move(*created) : nullptr;
    window.BeginWork(QStringLiteral("Decrypting..."));

    if (!engine) {
        box.Show(QString::fromStdString(FormatErrorReport(kHeading, created.error())));
    } else if (InitEncryptionMethod(*engine, window, box, Operation::Decrypt)) {
        std::optional<QString> message;
        std::optional<SignatureNotice> notice;
        {
            // A reply may hold a new message above a quoted older one: the
            // first from the top that this key opens is shown, not the
            // longest. When none opens, the report is about the block a
            // single message would have been read from.
            const QString staged = window.StagingText();
            const CiphertextBlocks found = FindCiphertextBlocks(
                std::u16string_view(reinterpret_cast<const char16_t*>(staged.utf16()),
                                    static_cast<std::size_t>(staged.size())));
            const std::vector<std::size_t> order = BlocksToTry(found);
            std::optional<Error> failure;
            for (const std::size_t block : order) {
                const auto plaintext =
                    engine->DecryptMessage(HexToBytes(QStringView(found.blocks[block])), true);
                if (!plaintext) {
                    if (block == found.chosen) {
                        failure = plaintext.error();
                    }
                    continue;
                }
                message = DecodeMessage(plaintext->text);
                // The writer's key is the one in the public key box, the box
                // that names the recipient when the user writes.
                notice = DescribeSignature(
                    plaintext->signature,
                    QFileInfo(window.PublicKeyPath()).fileName().toStdString(),
                    plaintext->signer ? FingerprintText(*plaintext->signer) : std::string());
                if (order.size() > 1) {
                    notice->description += " " + SeveralMessagesNote(order.size());
                }
                break;
            }
            if (!message && failure) {
                box.Show(QString::fromStdString(FormatErrorReport(kHeading, *failure)));
            }
        }
        // The ciphertext, the plaintext bytes and the clipboard's text are
        // gone before the message field makes its own copy of the text, so
        // they never take memory at the same time (the clipboard's text of
        // a 16 MiB message is 64 MiB).
        window.SetStagingText(QString());
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
