#include "ui/MakeKeyPairDialog.h"

#include "keys/KeyPairGenerator.h"
#include "texts/KeysMenuText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelvora {
namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The copy `text()` gives shares the field's own buffer, so wiping it in
// place clears what the field holds before the field lets it go.
void WipeField(QLineEdit* field) {
    const QString text = field->text();
    if (!text.isEmpty()) {
        WipeMemory(const_cast<QChar*>(text.constData()),
                   static_cast<std::size_t>(text.size()) * sizeof(QChar));
    }
    field->clear();
}

}  // namespace

MakeKeyPairDialog::MakeKeyPairDialog(const QString& folder, FileDialogPort& folders,
                                     QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(Text(kMakeKeyPairTitle));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    txtName = new QLineEdit(this);
    form->addRow(Text(kMakeKeyPairNameLabel), txtName);
    auto* folderRow = new QHBoxLayout;
    txtFolder = new QLineEdit(folder, this);
    cmdBrowse = new QPushButton(Text(kMakeKeyPairBrowse), this);
    folderRow->addWidget(txtFolder);
    folderRow->addWidget(cmdBrowse);
    form->addRow(Text(kMakeKeyPairFolderLabel), folderRow);
    cboKind = new QComboBox(this);
    cboKind->addItem(Text(kMakeKeyPairRsa));
    cboKind->addItem(Text(kMakeKeyPairEd25519));
    form->addRow(Text(kMakeKeyPairKindLabel), cboKind);
    txtPassphrase = new QLineEdit(this);
    txtPassphrase->setEchoMode(QLineEdit::Password);
    form->addRow(Text(kMakeKeyPairPassphraseLabel), txtPassphrase);
    txtPassphraseAgain = new QLineEdit(this);
    txtPassphraseAgain->setEchoMode(QLineEdit::Password);
    form->addRow(Text(kMakeKeyPairAgainLabel), txtPassphraseAgain);
    chkNoPassphrase = new QCheckBox(Text(kMakeKeyPairNoPassphrase), this);
    form->addRow(QString(), chkNoPassphrase);
    layout->addLayout(form);
    lblWarning = new QLabel(Text(kMakeKeyPairNoPassphraseWarning), this);
    lblWarning->setWordWrap(true);
    lblWarning->setVisible(false);
    layout->addWidget(lblWarning);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    cmdMake = buttons->addButton(Text(kMakeKeyPairButton), QDialogButtonBox::AcceptRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(cmdBrowse, &QPushButton::clicked, this, [this, &folders] {
        const QString chosen =
            folders.GetExistingFolder(Text(kMakeKeyPairFolderLabel), txtFolder->text());
        if (!chosen.isEmpty()) {
            txtFolder->setText(chosen);
        }
    });
    // Choosing no passphrase shows what it costs, and takes back anything
    // typed into the fields, which would otherwise look as if it counted.
    connect(chkNoPassphrase, &QCheckBox::toggled, this, [this](bool none) {
        lblWarning->setVisible(none);
        if (none) {
            WipeField(txtPassphrase);
            WipeField(txtPassphraseAgain);
        }
        txtPassphrase->setEnabled(!none);
        txtPassphraseAgain->setEnabled(!none);
        Check();
    });
    for (QLineEdit* field : {txtName, txtFolder, txtPassphrase, txtPassphraseAgain}) {
        connect(field, &QLineEdit::textChanged, this, &MakeKeyPairDialog::Check);
    }
    Check();
}

MakeKeyPairDialog::~MakeKeyPairDialog() {
    WipeFields();
}

void MakeKeyPairDialog::Check() {
    // The name becomes NAME.skey and NAME.pkey in the folder: no path in it.
    const QString name = txtName->text().trimmed();
    const bool named = !name.isEmpty() && !name.contains(QLatin1Char('/')) &&
                       name != QStringLiteral(".") && name != QStringLiteral("..");
    const bool passphrase =
        chkNoPassphrase->isChecked() ||
        (!txtPassphrase->text().isEmpty() && txtPassphrase->text() == txtPassphraseAgain->text());
    cmdMake->setEnabled(named && !txtFolder->text().trimmed().isEmpty() && passphrase);
}

void MakeKeyPairDialog::WipeFields() {
    WipeField(txtPassphrase);
    WipeField(txtPassphraseAgain);
}

KeyPairRequest MakeKeyPairDialog::TakeRequest() {
    KeyPairRequest request;
    const QDir folder(txtFolder->text().trimmed());
    const QString name = txtName->text().trimmed();
    request.files.privateFile =
        QFile::encodeName(folder.filePath(name + QStringLiteral(".skey"))).toStdString();
    request.files.publicFile =
        QFile::encodeName(folder.filePath(name + QStringLiteral(".pkey"))).toStdString();
    const bool ed25519 = cboKind->currentIndex() == 1;
    request.kind = ed25519 ? KeyKind::Ed25519 : KeyKind::Rsa;
    // An Ed25519 key has one size; the generator takes no notice of this.
    request.bits = KeyPairGenerator::kDefaultBits;
    if (!chkNoPassphrase->isChecked()) {
        QByteArray utf8 = txtPassphrase->text().toUtf8();
        request.passphrase.emplace(utf8.begin(), utf8.end());
        WipeMemory(utf8.data(), static_cast<std::size_t>(utf8.size()));
    }
    WipeFields();
    return request;
}

}  // namespace zelvora
