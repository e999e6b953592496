#pragma once

#include "message/ClipboardPort.h"

namespace zelvora {

// The system clipboard, plain text only; of the selection, only giving it up.
class QtClipboard : public ClipboardPort {
public:
    QString Text() override;
    void Clear() override;
    void SetText(const QString& text) override;
    void ReleaseSelection() override;
};

}  // namespace zelvora
