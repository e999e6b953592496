#include "message/CopyPublicKey.h"

#include "base/ErrorCode.h"
#include "keys/Fingerprint.h"
#include "keys/KeyFile.h"
#include "message/WindowPassphrase.h"
#include "texts/ErrorReport.h"
#include "texts/KeysMenuText.h"
#include "workflow/KeyLoading.h"

#include <QFile>

namespace zelvora {

void CopyMyPublicKey(const WorkWindowPort& window, ClipboardPort& clipboard, MessageBoxPort& box) {
    const QString path = window.PrivateKeyPath();
    const std::string_view heading = kCopyPublicKeyHeading;
    const auto report = [&box](const std::string& text) {
        box.Show(QString::fromStdString(text));
    };
    if (path.isEmpty()) {
        report(FormatErrorReport(heading, MakeError(ErrorCode::NoPrivateKey)));
        return;
    }
    const KeyRequest requests[] = {{QFile::encodeName(path).toStdString(), KeyUse::Own}};
    WindowPassphrase passphrases(window, path);
    const auto loaded = LoadKeys(requests, passphrases, window.UnlockedKeys());
    if (!loaded) {
        const KeyLoadFailure& failure = loaded.error();
        if (failure.error == MakeError(ErrorCode::PassphraseCancelled)) {
            return;
        }
        report(failure.stage == KeyLoadStage::Reading
                   ? FormatKeyFileReport(path.toStdString(), failure.error)
                   : FormatErrorReport(heading, failure.error));
        return;
    }
    const LoadedKey* own = loaded->Find(KeyUse::Own);
    const auto info =
        own != nullptr
            ? PublicKeyInfo(own->key)
            : std::expected<Bytes, Error>(std::unexpected(MakeError(ErrorCode::NoPrivateKey)));
    if (!info) {
        report(FormatErrorReport(heading, info.error()));
        return;
    }
    const SecureBytes text = KeyFileText(*info);
    clipboard.SetText(QString::fromLatin1(reinterpret_cast<const char*>(text.data()),
                                          static_cast<qsizetype>(text.size())));
}

}  // namespace zelvora
