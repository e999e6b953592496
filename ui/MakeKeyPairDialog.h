#pragma once

#include "base/SecureBytes.h"
#include "keys/KeyKind.h"
#include "ui/FileDialogPort.h"
#include "workflow/KeyPairWorkflow.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zelvora {

// What Make key pair was asked for.
struct KeyPairRequest {
    KeyPairFiles files;
    KeyKind kind = KeyKind::Rsa;
    int bits = 0;
    // None for a key without a passphrase, which the user chose knowingly.
    std::optional<SecureBytes> passphrase;
};

// Asks the name, the folder, the kind and the passphrase (twice, or none
// after a warning) of a new key pair. Make is enabled only once they make
// sense together; the passphrase fields are wiped when read and on close.
// Browse chooses the folder through `folders`, which must outlive the dialog.
class MakeKeyPairDialog : public QDialog {
    Q_OBJECT
public:
    MakeKeyPairDialog(const QString& folder, FileDialogPort& folders, QWidget* parent = nullptr);
    ~MakeKeyPairDialog() override;

    // The request, once accepted; empties the passphrase fields.
    KeyPairRequest TakeRequest();

    QLineEdit* txtName = nullptr;
    QLineEdit* txtFolder = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QComboBox* cboKind = nullptr;
    QLineEdit* txtPassphrase = nullptr;
    QLineEdit* txtPassphraseAgain = nullptr;
    QCheckBox* chkNoPassphrase = nullptr;
    QLabel* lblWarning = nullptr;
    QPushButton* cmdMake = nullptr;

private:
    void Check();
    void WipeFields();
};

}  // namespace zelvora
