#pragma once

#include "app/ProcessEndPort.h"

namespace zelvora {

class QtProcessEnd : public ProcessEndPort {
public:
    [[noreturn]] void EndProcess() override;
};

}  // namespace zelvora
