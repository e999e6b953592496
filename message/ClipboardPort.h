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
};

}  // namespace zelvora
