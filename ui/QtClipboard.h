#pragma once

#include "message/ClipboardPort.h"
#include "ui/UnfocusedClearPort.h"

namespace zelvora {

// The system clipboard, plain text only; of the selection, only giving it up.
class QtClipboard : public ClipboardPort {
public:
    // `unfocused`, where given, empties the clipboard (and a selection this
    // program owns) as well at each clear, where the display server may
    // refuse a clear through the window's own connection (natively on
    // Wayland).
    explicit QtClipboard(UnfocusedClearPort* unfocused = nullptr);

    QString Text() override;
    void Clear() override;
    void SetText(const QString& text) override;
    void ReleaseSelection() override;

private:
    void ClearUnfocused(UnfocusedClearPort::Selections which);

    UnfocusedClearPort* unfocused_;
};

}  // namespace zelvora
