#pragma once

#include "crypto/EncryptionEngine.h"
#include "message/MessageBoxPort.h"
#include "message/WorkWindowPort.h"

namespace zelvora {

// Reads both key files named in the window, loads them into a new method and
// attaches it to `engine`. On failure the user has seen one report and the
// engine must not be used.
bool InitEncryptionMethod(EncryptionEngine& engine, const WorkWindowPort& window,
                          MessageBoxPort& box);

}  // namespace zelvora
