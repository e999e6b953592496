#pragma once

#include "app/ProcessEndPort.h"

#include <functional>

namespace zelvora {

// Counts process ends instead of ending the test; `onEnd` sees the moment.
class FakeProcessEnd : public ProcessEndPort {
public:
    void EndProcess() override {
        ++ends;
        if (onEnd) {
            onEnd();
        }
    }
    int ends = 0;
    std::function<void()> onEnd;
};

}  // namespace zelvora
