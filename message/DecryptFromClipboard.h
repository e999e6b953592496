#pragma once

#include "message/MessageBoxPort.h"
#include "message/ClipboardPort.h"
#include "message/WorkWindowPort.h"

namespace zelvora {

// Decrypts the hex text on the clipboard with the user's private key into
// the message field. The clipboard ends cleared on every path; after a
// failure the message field keeps what it held.
void DecryptFromClipboard(WorkWindowPort& window, ClipboardPort& clipboard, MessageBoxPort& box);

}  // namespace zelvora
