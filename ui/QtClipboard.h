#pragma once

#include "message/ClipboardPort.h"

namespace zelvora {

// The system clipboard (not the X selection), plain text only.
class QtClipboard : public ClipboardPort {
public:
    QString Text() override;
    void Clear() override;
    void SetText(const QString& text) override;
};

}  // namespace zelvora
