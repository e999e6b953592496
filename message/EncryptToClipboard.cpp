#include "message/EncryptToClipboard.h"

#include "crypto/EncryptionEngine.h"
#include "keys/ErrorReport.h"
#include "keys/Utility.h"
#include "message/InitEncryptionMethod.h"

#include <QByteArray>

namespace zelvora {
namespace {

const QString kHeading = QStringLiteral("Error during Encrypt.");

}  // namespace

void EncryptToClipboard(WorkWindowPort& window, ClipboardPort& clipboard, MessageBoxPort& box) {
    auto created = EncryptionEngine::Create();
    std::unique_ptr<EncryptionEngine> engine = created ? std::move(*created) : nullptr;
    window.BeginWork(QStringLiteral("Encrypting..."));

    bool failed = false;
    QString hex;
    if (!engine) {
        failed = true;
        box.Show(FormatErrorReport(kHeading, created.error()));
    } else if (!InitEncryptionMethod(*engine, window, box)) {
        failed = true;  // reported by the set-up
    } else {
        // The locale's 8-bit encoding (UTF-8 here), so any script round-trips.
        QByteArray plaintext = window.MessageText().toLocal8Bit();
        const auto ciphertext = engine->EncryptBytes(
            std::span(reinterpret_cast<const std::uint8_t*>(plaintext.constData()),
                      static_cast<std::size_t>(plaintext.size())),
            true);
        WipeMemory(plaintext.data(), static_cast<std::size_t>(plaintext.size()));
        if (ciphertext) {
            hex = BytesToHex(*ciphertext);
        } else {
            failed = true;
            box.Show(FormatErrorReport(kHeading, ciphertext.error()));
        }
    }

    if (!failed) {
        window.SetStagingText(hex);
    }
    const QString staged = window.StagingText();
    window.SetStagingText(QString());
    clipboard.Clear();
    if (!failed) {
        // The hex text goes from the staging field straight to the clipboard;
        // passing it through the visible message field on the way would only
        // make a widget lay out megabytes of text that nobody sees.
        clipboard.SetText(staged);
        window.SetMessageText(QString());
        // Text the user selected before pressing would otherwise stay on
        // offer to every program until the end.
        clipboard.ReleaseSelection();
    }
    // After a failure the typed message stays in the message field: emptying
    // it would lose the user's text for nothing, since no ciphertext exists.
    engine.reset();
    window.EndWork();
}

}  // namespace zelvora
