#pragma once

#include "message/MessageBoxPort.h"
#include "ui/SettingsStorePort.h"
#include "message/ClipboardPort.h"
#include "ui/FileDialogPort.h"
#include "ui/PassphraseAskPort.h"
#include "keys/ScryptParameters.h"
#include "workflow/ClockPort.h"

#include <functional>

namespace zelvora {

// The platform services the main window works through, all of them given:
// the program's entry passes the real ones, tests pass fakes. Each must
// outlive the window.
struct MainWindowPorts {
    ClipboardPort* clipboard = nullptr;
    MessageBoxPort* messageBox = nullptr;
    FileDialogPort* fileDialog = nullptr;
    // Where the key file paths are stored.
    SettingsStorePort* settings = nullptr;
    // Runs for Quit, for Esc, and for any close request that still reaches
    // the window; ends the process.
    std::function<void()> quit;
    // Where a protected key's passphrase is asked for, and the clock an
    // unlocked key idles by; when not given, the window's own dialog and the
    // steady clock.
    PassphraseAskPort* passphrase = nullptr;
    const ClockPort* clock = nullptr;
    // How Make key pair protects a new private key; when not given, at the
    // cost every program uses. Tests alone make it cheaper.
    const ScryptParameters* keyProtection = nullptr;
};

}  // namespace zelvora
