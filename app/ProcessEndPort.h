#pragma once

namespace zelvora {

// Ends the process at once: no further event handler of any window runs.
class ProcessEndPort {
public:
    virtual ~ProcessEndPort() = default;
    virtual void EndProcess() = 0;
};

}  // namespace zelvora
