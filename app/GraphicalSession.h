#pragma once

#include <functional>

namespace zelvora {

// Whether the window has a display to open on, decided before Qt is asked:
// Qt aborts the process (exit 134) when it cannot reach one. `environment`
// gives a variable's value, or nullptr when it is not set.
//
// A platform named in QT_QPA_PLATFORM is the user's choice and is trusted.
// Otherwise a Wayland socket (WAYLAND_DISPLAY) or a local X server (DISPLAY
// ":N") must answer; an X display on another host cannot be checked without
// talking to it, so it is left to Qt.
bool GraphicalSessionReachable(const std::function<const char*(const char*)>& environment);

}  // namespace zelvora
