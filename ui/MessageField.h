#pragma once

#include <QPlainTextEdit>

namespace zelvora {

// The message field: plain text only, Tab moves the focus on, Enter starts a
// new line and presses no button.
class MessageField : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit MessageField(QWidget* parent = nullptr);
};

}  // namespace zelvora
