#pragma once

#include "message/MessageBoxPort.h"

class QWidget;

namespace zelvora {

// A modal box with only OK, no icon, captioned "Zelvora", in front of `owner`.
class QtMessageBox : public MessageBoxPort {
public:
    explicit QtMessageBox(QWidget* owner = nullptr) : owner_(owner) {}
    // The window the composition made after this port.
    void SetOwner(QWidget* owner) { owner_ = owner; }
    void Show(const QString& text) override;

private:
    QWidget* owner_;
};

}  // namespace zelvora
