#pragma once

#include <chrono>

namespace zelvora {

// Where the time comes from for anything that expires: the steady clock in
// the programs, a clock the test moves by hand, so that minutes of idling are
// tested without waiting them out.
class ClockPort {
public:
    virtual ~ClockPort() = default;
    virtual std::chrono::steady_clock::time_point Now() const = 0;
};

}  // namespace zelvora
