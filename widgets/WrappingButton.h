#pragma once

#include <QPushButton>

namespace zelvora {

// A push button whose caption wraps onto several lines when it is wider
// than the button, as the main window's long captions need to.
class WrappingButton : public QPushButton {
    Q_OBJECT
public:
    WrappingButton(const QString& text, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace zelvora
