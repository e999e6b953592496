#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace zelvora {

// Shows a public key found in the clipboard (its kind, size and
// fingerprint) and asks the name to save it under; Save accepts.
class SavePublicKeyDialog : public QDialog {
    Q_OBJECT
public:
    SavePublicKeyDialog(const QString& description, QWidget* parent = nullptr);

    // The name typed, without surrounding blanks.
    QString Name() const;

    QLineEdit* txtName = nullptr;
    QPushButton* cmdSave = nullptr;
};

}  // namespace zelvora
