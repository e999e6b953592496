#pragma once

#include "workflow/ClockPort.h"

namespace zelvora {

// The clock the programs run on: steady, so a change of the wall clock
// neither keeps an unlocked key longer nor drops it early.
class SteadyClock : public ClockPort {
public:
    std::chrono::steady_clock::time_point Now() const override {
        return std::chrono::steady_clock::now();
    }
};

}  // namespace zelvora
