#include "ui/SavePublicKeyDialog.h"

#include "texts/KeysMenuText.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelvora {
namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

SavePublicKeyDialog::SavePublicKeyDialog(const QString& description, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(Text(kSavePublicKeyTitle));
    auto* layout = new QVBoxLayout(this);
    auto* about = new QLabel(description, this);
    // The fingerprint is read out and compared: it can be selected and copied.
    about->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(about);
    auto* form = new QFormLayout;
    txtName = new QLineEdit(this);
    form->addRow(Text(kSavePublicKeyNameLabel), txtName);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    cmdSave = buttons->addButton(Text(kSavePublicKeyButton), QDialogButtonBox::AcceptRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // A name is the file's name, not a path: the folder is chosen next.
    const auto check = [this] {
        const QString name = Name();
        cmdSave->setEnabled(!name.isEmpty() && !name.contains(QLatin1Char('/')));
    };
    connect(txtName, &QLineEdit::textChanged, this, check);
    check();
}

QString SavePublicKeyDialog::Name() const {
    return txtName->text().trimmed();
}

}  // namespace zelvora
