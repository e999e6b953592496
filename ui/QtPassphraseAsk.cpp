#include "ui/QtPassphraseAsk.h"

#include "base/ErrorCode.h"
#include "ui/PassphraseDialog.h"

namespace zelvora {

std::expected<SecureBytes, Error> QtPassphraseAsk::Ask(const QString& path,
                                                       const QString& fingerprint, bool again) {
    PassphraseDialog dialog(path, fingerprint, again, owner_);
    if (dialog.exec() != QDialog::Accepted) {
        return std::unexpected(MakeError(ErrorCode::PassphraseCancelled));
    }
    return dialog.TakePassphrase();
}

}  // namespace zelvora
