#include "platform/SystemError.h"

#include <string.h>

namespace zelvora {

std::string SystemErrorText(int errnoValue) {
    char buffer[256];
    // GNU strerror_r may return a static string instead of filling buffer.
    return strerror_r(errnoValue, buffer, sizeof buffer);
}

}  // namespace zelvora
