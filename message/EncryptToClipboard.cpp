#include "message/EncryptToClipboard.h"

#include "crypto/EncryptionEngine.h"
#include "texts/ErrorReport.h"
#include "message/WindowHex.h"
#include "message/InitEncryptionMethod.h"
#include "message/MessageText.h"
#include "texts/EncryptText.h"

#include <QFileInfo>

#include <optional>

namespace zelvora {
namespace {

constexpr char kHeading[] = "Error during Encrypt.";

}  // namespace

void EncryptToClipboard(WorkWindowPort& window, ClipboardPort& clipboard, MessageBoxPort& box) {
    // The second click of a double click finds the field the first one
    // emptied: encrypting that would put the ciphertext of nothing in place
    // of the message just sent, which is then lost for good. So an empty
    // field leaves the clipboard exactly as it is, and the frame says why.
    // The look takes a copy of the text, wiped at once like every other.
    QString typed = window.MessageText();
    const bool empty = typed.isEmpty();
    WipeString(typed);
    if (empty) {
        window.ShowNotice(NothingToEncrypt());
        return;
    }
    auto created = EncryptionEngine::Create();
    std::unique_ptr<EncryptionEngine> engine = created ? std::move(*created) : nullptr;
    window.BeginWork(QStringLiteral("Encrypting..."));

    bool failed = false;
    QString hex;
    std::optional<MethodKeys> keys;
    if (!engine) {
        failed = true;
        box.Show(QString::fromStdString(FormatErrorReport(kHeading, created.error())));
    } else if (keys = InitEncryptionMethod(*engine, window, box, Operation::Encrypt); !keys) {
        failed = true;  // reported by the set-up
    } else {
        // The window's copy of the text is its own; this one, and the bytes
        // made from it, are wiped as soon as they have served.
        typed = window.MessageText();
        std::optional<SecureBytes> plaintext = EncodeMessage(typed);
        WipeString(typed);
        const auto ciphertext = engine->EncryptBytes(*plaintext, true);
        plaintext.reset();
        if (ciphertext) {
            hex = BytesToHex(*ciphertext);
        } else {
            failed = true;
            box.Show(QString::fromStdString(FormatErrorReport(kHeading, ciphertext.error())));
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
        // Said on the frame, not in a box: for whom, and whether signed.
        window.ShowNotice(DescribeEncryption(
            QFileInfo(window.PublicKeyPath()).fileName().toStdString(), keys->other.toStdString(),
            QFileInfo(window.PrivateKeyPath()).fileName().toStdString(), keys->own.toStdString()));
    }
    // After a failure the typed message stays in the message field: emptying
    // it would lose the user's text for nothing, since no ciphertext exists.
    engine.reset();
    window.EndWork();
}

}  // namespace zelvora
