#pragma once

#include "message/ClipboardPort.h"
#include "message/MessageBoxPort.h"
#include "message/WorkWindowPort.h"

namespace zelvora {

// Puts the public half of the key the private key box names on the
// clipboard, as the text of a .pkey file, to be pasted into a chat or a
// mail. A protected key is unlocked as Decrypt unlocks it (a key kept
// unlocked is taken without asking): a .pkey file lying beside it cannot be
// trusted to be its half without that. A failure is one message box;
// declining the passphrase ends the command quietly.
void CopyMyPublicKey(const WorkWindowPort& window, ClipboardPort& clipboard, MessageBoxPort& box);

}  // namespace zelvora
