#pragma once

#include "ui/frmZuzezoRevevur.h"

#include <functional>
#include <memory>

namespace zelvora::test {

// The main window on the given ports, shown. Window tests pass fakes so
// nothing reaches the user's files, or the real ones where those are tested.
inline std::unique_ptr<frmZuzezoRevevur> ShowMainWindow(
    ClipboardPort& clipboard, MessageBoxPort& box, FileDialogPort* dialog, SettingsStorePort* store,
    std::function<void()> quit = [] {}) {
    MainWindowPorts ports;
    ports.clipboard = &clipboard;
    ports.messageBox = &box;
    ports.fileDialog = dialog;
    ports.settings = store;
    ports.quit = std::move(quit);
    auto window = std::make_unique<frmZuzezoRevevur>(std::move(ports));
    window->show();
    return window;
}

}  // namespace zelvora::test
