#include "ui/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace zelvora {

QString QtClipboard::Text() {
    return QGuiApplication::clipboard()->text(QClipboard::Clipboard);
}

void QtClipboard::Clear() {
    // Also empties a clipboard that another program owns.
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
}

void QtClipboard::SetText(const QString& text) {
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

void QtClipboard::ReleaseSelection() {
    // Clearing always takes the selection away from its owner, so the check
    // comes first: emptying another program's selection would only annoy.
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection() && clipboard->ownsSelection()) {
        clipboard->clear(QClipboard::Selection);
    }
}

}  // namespace zelvora
