#include "app/GraphicalSession.h"

#include "platform/LocalSocket.h"

#include <string>

namespace zelvora {
namespace {

bool IsSet(const char* value) {
    return value != nullptr && *value != '\0';
}

bool WaylandAnswers(const char* display, const char* runtimeDir) {
    std::string path = display;
    if (path.front() != '/') {
        if (!IsSet(runtimeDir)) {
            return false;
        }
        path = std::string(runtimeDir) + "/" + path;
    }
    return LocalSocketAnswers(path, false);
}

// ":N" or ":N.S" is a local server listening on X11's socket N (in the file
// system and, on Linux, in the abstract namespace). Anything else names a
// host, or a transport we do not check.
bool XAnswers(const std::string& display) {
    if (display.empty() || display.front() != ':') {
        return true;
    }
    const std::string number = display.substr(1, display.find('.') - 1);
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) {
        return true;
    }
    const std::string socket = "/tmp/.X11-unix/X" + number;
    return LocalSocketAnswers(socket, false) || LocalSocketAnswers(socket, true);
}

}  // namespace

bool GraphicalSessionReachable(const std::function<const char*(const char*)>& environment) {
    if (IsSet(environment("QT_QPA_PLATFORM"))) {
        return true;
    }
    const char* wayland = environment("WAYLAND_DISPLAY");
    if (IsSet(wayland) && WaylandAnswers(wayland, environment("XDG_RUNTIME_DIR"))) {
        return true;
    }
    const char* x = environment("DISPLAY");
    return IsSet(x) && XAnswers(x);
}

}  // namespace zelvora
