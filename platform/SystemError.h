#pragma once

#include <string>

namespace zelvora {

// The system's own text for an errno value ("No such file or directory").
std::string SystemErrorText(int errnoValue);

}  // namespace zelvora
