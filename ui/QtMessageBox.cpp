#include "ui/QtMessageBox.h"

#include <QMessageBox>

namespace zelvora {

void QtMessageBox::Show(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Zelvora"), text, QMessageBox::Ok, owner_);
    // Reports carry file paths and error texts, never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace zelvora
