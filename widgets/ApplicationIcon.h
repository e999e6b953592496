#pragma once

#include <QIcon>

namespace zelvora {

// The 48 x 48, 256-colour icon of the main and the QuickHelp window, compiled
// into the program.
QIcon ApplicationIcon();

}  // namespace zelvora
