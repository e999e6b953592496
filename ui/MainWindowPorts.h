#pragma once

#include "message/MessageBoxPort.h"
#include "ui/SettingsStorePort.h"
#include "message/ClipboardPort.h"
#include "ui/FileDialogPort.h"

#include <functional>

namespace zelvora {

// The platform services the main window works through; tests pass fakes.
struct MainWindowPorts {
    ClipboardPort* clipboard = nullptr;
    // When null, the window shows real message boxes in front of itself.
    MessageBoxPort* messageBox = nullptr;
    // When null, the window opens real file dialogs in front of itself.
    FileDialogPort* fileDialog = nullptr;
    // When null, the key file paths go to the user's desktop settings.
    SettingsStorePort* settings = nullptr;
    // Runs for Quit, for Esc, and for any close request that still reaches
    // the window; ends the process.
    std::function<void()> quit;
};

}  // namespace zelvora
