#include "ui/EnterClicksButton.h"

#include <QKeyEvent>
#include <QPushButton>

namespace zelvora {

EnterClicksButton::EnterClicksButton(QPushButton& button) : QObject(&button) {
    button.installEventFilter(this);
}

void EnterClicksButton::Install(QPushButton& button) {
    new EnterClicksButton(button);  // owned by the button
}

bool EnterClicksButton::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                       (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (!enter) {
        return false;
    }
    // A held key presses once: a second Encrypt would encrypt the emptied
    // message field.
    if (!key->isAutoRepeat()) {
        static_cast<QPushButton*>(watched)->click();
    }
    return true;
}

}  // namespace zelvora
