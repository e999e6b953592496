#pragma once

#include "message/MessageBoxPort.h"
#include "message/ClipboardPort.h"
#include "message/WorkWindowPort.h"

namespace zelvora {

// Encrypts the message field under the recipient's public key and leaves
// the ciphertext on the clipboard as upper-case hex text. On success the
// message field ends empty; on failure the user has seen one report, the
// typed message stays where it was and the clipboard ends cleared.
void EncryptToClipboard(WorkWindowPort& window, ClipboardPort& clipboard, MessageBoxPort& box);

}  // namespace zelvora
