#pragma once

#include "message/MessageBoxPort.h"
#include "message/ClipboardPort.h"
#include "message/WorkWindowPort.h"

namespace zelvora {

// Encrypts the message field under the recipient's public key and leaves
// the ciphertext on the clipboard as upper-case hex text. On success the
// message field ends empty and the frame says for whom it was encrypted; on
// failure the user has seen one report, the typed message stays where it was
// and the clipboard ends cleared. An empty message field is not encrypted:
// the clipboard is left untouched and the frame says so.
void EncryptToClipboard(WorkWindowPort& window, ClipboardPort& clipboard, MessageBoxPort& box);

}  // namespace zelvora
