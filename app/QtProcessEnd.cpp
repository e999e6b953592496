#include "app/QtProcessEnd.h"

#include <QGuiApplication>

#include <cstdlib>

namespace zelvora {

void QtProcessEnd::EndProcess() {
    // Leaving through the application's normal shutdown would let Qt hand
    // the clipboard's last content to a clipboard manager; ending at once
    // after the clear keeps it gone. Flush so the clear reaches the display.
    QGuiApplication::sync();
    std::_Exit(0);
}

}  // namespace zelvora
