#pragma once

#include "base/ErrorCode.h"
#include "ui/UnfocusedClearPort.h"

#include <chrono>

namespace zelvora {

// Empties the selections by running `wl-copy --clear` (and `wl-copy
// --primary --clear`) from wl-clipboard, for compositors where our own
// data-control client cannot bind: it knows other ways to get hold of the
// selection on some of them (on GNOME it takes the focus for a moment with
// a surface of its own, within tens of milliseconds).
class WlCopyClear : public UnfocusedClearPort {
public:
    static constexpr std::int32_t kNotRun = ErrorNumber(ErrorCode::ClearNotRun);
    static constexpr std::int32_t kFailed = ErrorNumber(ErrorCode::ClearFailed);

    explicit WlCopyClear(std::chrono::milliseconds timeout = std::chrono::milliseconds(1500));
    std::expected<void, Error> Clear(Selections which) override;

private:
    std::chrono::milliseconds timeout_;
};

}  // namespace zelvora
