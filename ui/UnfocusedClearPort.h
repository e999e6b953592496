#pragma once

#include "base/Error.h"

#include <expected>

namespace zelvora {

// Empties the clipboard, and the primary selection when asked, without the
// input focus or a recent input event of this program's own. A Wayland
// compositor lets a window change the selection only with the serial of an
// input event it received lately, and not at all once another program copied
// something since; a stop signal or the end of the session brings no input.
class UnfocusedClearPort {
public:
    struct Selections {
        bool clipboard = true;
        // The selection that middle-click pastes.
        bool primary = false;
    };

    virtual ~UnfocusedClearPort() = default;
    // Returns once the display server has emptied them, or with what failed.
    virtual std::expected<void, Error> Clear(Selections which) = 0;
};

}  // namespace zelvora
