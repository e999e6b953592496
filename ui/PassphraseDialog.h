#pragma once

#include "base/SecureBytes.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QDialogButtonBox;

namespace zelvora {

// Asks for the passphrase of one protected private key file: its name and
// fingerprint, a field that does not echo, OK and Cancel; when the last
// passphrase was wrong, it says so above the field.
class PassphraseDialog : public QDialog {
    Q_OBJECT
public:
    PassphraseDialog(const QString& path, const QString& fingerprint, bool again,
                     QWidget* parent = nullptr);
    ~PassphraseDialog() override;

    // What was typed, as UTF-8; the field and every copy on the way are
    // wiped, so the passphrase lives on only in what is returned.
    SecureBytes TakePassphrase();

    QLabel* lblPrompt = nullptr;
    QLabel* lblWrong = nullptr;
    QLineEdit* txtPassphrase = nullptr;
    QDialogButtonBox* buttons = nullptr;

private:
    void WipeField();
};

}  // namespace zelvora
