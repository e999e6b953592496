#pragma once

#include "message/ClipboardPort.h"
#include "ui/UnfocusedClearPort.h"

namespace zelvora {

// The system clipboard (not the X selection), plain text only.
class QtClipboard : public ClipboardPort {
public:
    // `unfocused`, where given, empties the clipboard as well at each clear,
    // where the display server may refuse a clear through the window's own
    // connection (natively on Wayland).
    explicit QtClipboard(UnfocusedClearPort* unfocused = nullptr);

    QString Text() override;
    void Clear() override;
    void SetText(const QString& text) override;

private:
    UnfocusedClearPort* unfocused_;
};

}  // namespace zelvora
