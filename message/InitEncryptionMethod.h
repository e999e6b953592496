#pragma once

#include "crypto/EncryptionEngine.h"
#include "message/MessageBoxPort.h"
#include "message/WorkWindowPort.h"

#include <QString>

#include <optional>

namespace zelvora {

// Which press the keys are for: it decides whom the public key box names
// (the recipient, or the person a message is expected from) and which key
// file a press cannot do without.
enum class Operation { Encrypt, Decrypt };

// The keys a ready engine holds, as fingerprint texts; empty for a key the
// box did not name.
struct MethodKeys {
    QString own;    // from the private key box
    QString other;  // from the public key box
};

// Reads both key files named in the window, loads them into a new method and
// attaches it to `engine`. An empty box gives no key of its kind. A box that
// names a file which cannot be read stops the press with that file's report,
// so that no message goes out unsigned, or to nobody, for a key the user
// named; only the expected writer's key on Decrypt may be missing, and the
// message is then shown as not verified. On failure the user has seen one
// report and the engine must not be used.
std::optional<MethodKeys> InitEncryptionMethod(EncryptionEngine& engine,
                                               const WorkWindowPort& window, MessageBoxPort& box,
                                               Operation operation);

}  // namespace zelvora
