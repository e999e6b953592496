#include "ui/InfoWindowAccess.h"

#include "ui/EnterClicksButton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPushButton>
#include <QKeyEvent>
#include <QVariant>

namespace zelvora {
namespace {

constexpr char kInfoWindow[] = "zelvoraInfoWindow";

QAccessibleInterface* InfoWindowInterface(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget != nullptr && widget->isWindow() && widget->property(kInfoWindow).toBool()) {
        // A window's accessible name is its title.
        return new QAccessibleWidget(widget, QAccessible::Window);
    }
    return nullptr;
}

// Esc in the window presses its OK button. The window claims the key before
// shortcuts are looked up: the main window's Esc is Quit, and Qt counts a
// tool window's owner as active along with it.
class EscapePressesButton : public QObject {
public:
    EscapePressesButton(QWidget& window, QPushButton& button) : QObject(&window), button_(button) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress) {
            return false;
        }
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier) {
            return false;
        }
        if (event->type() == QEvent::ShortcutOverride) {
            key->accept();
        } else {
            button_.click();
        }
        return true;
    }

private:
    QPushButton& button_;
};

}  // namespace

void MakeInfoWindowAccessible(QWidget& window, QPushButton& ok) {
    // Factories are process-wide in Qt; one is enough for every window.
    [[maybe_unused]] static const bool installed = [] {
        QAccessible::installFactory(&InfoWindowInterface);
        return true;
    }();
    window.setProperty(kInfoWindow, true);

    new EscapePressesButton(window, ok);  // owned by the window
    EnterClicksButton::Install(ok);
}

}  // namespace zelvora
