#include "ui/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QtDebug>

namespace zelvora {

QtClipboard::QtClipboard(UnfocusedClearPort* unfocused) : unfocused_(unfocused) {}

QString QtClipboard::Text() {
    return QGuiApplication::clipboard()->text(QClipboard::Clipboard);
}

void QtClipboard::Clear() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        // Under XWayland the compositor empties the Wayland clipboard only
        // when an X program gives up a clipboard it owns; giving up one that
        // a Wayland program holds changes nothing there. Owning it for a
        // moment first makes the clear reach every program. On a plain X
        // server it changes nothing.
        clipboard->setText(QString(), QClipboard::Clipboard);
    }
    // Also empties a clipboard that another program owns, under X11.
    clipboard->clear(QClipboard::Clipboard);
    if (unfocused_) {
        if (auto cleared = unfocused_->Clear({.clipboard = true}); !cleared) {
            qWarning("%s", cleared.error().description.c_str());
        }
    }
}

void QtClipboard::SetText(const QString& text) {
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

}  // namespace zelvora
