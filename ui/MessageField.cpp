#include "ui/MessageField.h"

namespace zelvora {

MessageField::MessageField(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

}  // namespace zelvora
