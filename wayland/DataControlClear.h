#pragma once

#include "base/ErrorCode.h"
#include "ui/UnfocusedClearPort.h"

#include <chrono>

namespace zelvora {

// Empties the selections through the compositor's data-control protocol
// (ext-data-control-v1, or wlr-data-control where only that is offered),
// which needs no focus and no input serial. A Wayland connection of its own
// for each clear: one held open would fill up with every copy any program
// makes, unread. Where the compositor offers no data-control, or the
// connection fails, `fallback` is tried. A compositor answers within
// milliseconds; the timeout is short so that, with the fallback's, a stop
// signal's clearing fits inside the time the program has left to end.
class DataControlClear : public UnfocusedClearPort {
public:
    static constexpr std::int32_t kNoDisplay = ErrorNumber(ErrorCode::ClearNoDisplay);
    static constexpr std::int32_t kNotOffered = ErrorNumber(ErrorCode::ClearNotOffered);
    static constexpr std::int32_t kNoAnswer = ErrorNumber(ErrorCode::ClearNoAnswer);

    explicit DataControlClear(UnfocusedClearPort* fallback = nullptr,
                              std::chrono::milliseconds timeout = std::chrono::seconds(1));
    std::expected<void, Error> Clear(Selections which) override;

private:
    std::expected<void, Error> ClearThroughCompositor(Selections which, bool& primaryLeft);

    UnfocusedClearPort* fallback_;
    std::chrono::milliseconds timeout_;
};

}  // namespace zelvora
