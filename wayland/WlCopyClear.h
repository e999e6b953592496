#pragma once

#include "base/ErrorCode.h"
#include "ui/UnfocusedClearPort.h"

#include <chrono>
#include <functional>

namespace zelvora {

// Empties the selections by running `wl-copy --clear` (and `wl-copy
// --primary --clear`) from wl-clipboard, for compositors where our own
// data-control client cannot bind: it knows other ways to get hold of the
// selection on some of them (on GNOME it takes the focus for a moment with
// a surface of its own, within tens of milliseconds).
//
// Taking the focus has a price: the compositor then refuses a selection
// the window sets with the serial of the input that came before, so a
// clear at Encrypt would lose the ciphertext set right after it, and the
// focus going back and forth can set the toolkit asking for activation
// again and again. So wl-copy is not run while `windowClears` says the
// window's own clear goes through: by default while a window of ours has
// the keyboard focus and no stop signal has come, that is while the clear
// answers an input of the window's own.
class WlCopyClear : public UnfocusedClearPort {
public:
    static constexpr std::int32_t kNotRun = ErrorNumber(ErrorCode::ClearNotRun);
    static constexpr std::int32_t kFailed = ErrorNumber(ErrorCode::ClearFailed);

    explicit WlCopyClear(std::chrono::milliseconds timeout = std::chrono::milliseconds(1500),
                         std::function<bool()> windowClears = WindowHasFocusAndNoStop);
    std::expected<void, Error> Clear(Selections which) override;

    static bool WindowHasFocusAndNoStop();

private:
    std::chrono::milliseconds timeout_;
    std::function<bool()> windowClears_;
};

}  // namespace zelvora
