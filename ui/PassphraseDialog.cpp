#include "ui/PassphraseDialog.h"

#include "platform/SecretMemory.h"
#include "texts/PassphraseText.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace zelvora {

PassphraseDialog::PassphraseDialog(const QString& path, const QString& fingerprint, bool again,
                                   QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Zelvora"));
    setModal(true);
    lblPrompt =
        new QLabel(QString::fromStdString(PassphrasePrompt(QFileInfo(path).fileName().toStdString(),
                                                           fingerprint.toStdString())),
                   this);
    lblPrompt->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblWrong = new QLabel(QString::fromStdString(PassphraseWrongAgain()), this);
    lblWrong->setVisible(again);
    txtPassphrase = new QLineEdit(this);
    // No echo to the screen, and nothing for an input method, a prediction
    // list or a context menu's copy to keep.
    txtPassphrase->setEchoMode(QLineEdit::Password);
    txtPassphrase->setInputMethodHints(Qt::ImhSensitiveData | Qt::ImhNoPredictiveText |
                                       Qt::ImhNoAutoUppercase | Qt::ImhHiddenText);
    txtPassphrase->setContextMenuPolicy(Qt::NoContextMenu);
    txtPassphrase->setAccessibleName(QStringLiteral("Passphrase"));
    lblPrompt->setBuddy(txtPassphrase);
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblPrompt);
    layout->addWidget(lblWrong);
    layout->addWidget(txtPassphrase);
    layout->addWidget(buttons);
    txtPassphrase->setFocus();
}

PassphraseDialog::~PassphraseDialog() {
    WipeField();
}

SecureBytes PassphraseDialog::TakePassphrase() {
    const QString text = txtPassphrase->text();
    QByteArray utf8 = text.toUtf8();
    SecureBytes passphrase(utf8.begin(), utf8.end());
    WipeMemory(utf8.data(), static_cast<std::size_t>(utf8.size()));
    WipeField();
    return passphrase;
}

void PassphraseDialog::WipeField() {
    // The copy `text()` gives shares the field's own buffer, so wiping it
    // in place clears what the field holds before the field lets it go.
    const QString text = txtPassphrase->text();
    if (!text.isEmpty()) {
        WipeMemory(const_cast<QChar*>(text.constData()),
                   static_cast<std::size_t>(text.size()) * sizeof(QChar));
    }
    txtPassphrase->clear();
}

}  // namespace zelvora
