#include "ui/QtClipboard.h"

#include "texts/ErrorText.h"

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
    ClearUnfocused({.clipboard = true});
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
        // Ours, so ours to empty, where the window's own clear may be refused.
        ClearUnfocused({.clipboard = false, .primary = true});
    }
}

void QtClipboard::ClearUnfocused(UnfocusedClearPort::Selections which) {
    if (unfocused_) {
        if (auto cleared = unfocused_->Clear(which); !cleared) {
            qWarning("%s", Describe(cleared.error(), Surface::Window).c_str());
        }
    }
}

}  // namespace zelvora
