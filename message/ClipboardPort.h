#pragma once

#include <QString>

namespace zelvora {

// The system clipboard, plain text only.
class ClipboardPort {
public:
    virtual ~ClipboardPort() = default;
    // The clipboard's plain text, or the empty text when it holds none.
    virtual QString Text() = 0;
    // Empties the clipboard of every format, whoever owns it.
    virtual void Clear() = 0;
    virtual void SetText(const QString& text) = 0;
    // Gives up the selection (X11's PRIMARY: whatever was last selected with
    // the mouse or Ctrl+A, pasted with a middle-click) when this program owns
    // it, so that no other program can fetch text the message field no longer
    // shows. A selection another program owns is left alone. Does nothing
    // where the system has no such selection.
    virtual void ReleaseSelection() = 0;
};

}  // namespace zelvora
