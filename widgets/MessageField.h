#pragma once

#include <QPlainTextEdit>

namespace zelvora {

// The message field: plain text only, Tab moves the focus on, Enter starts a
// new line and presses no button.
class MessageField : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit MessageField(QWidget* parent = nullptr);

protected:
    // Text copied, cut or dragged out of the field is usually decrypted
    // plaintext: it is marked so that clipboard managers keep it out of their
    // history.
    QMimeData* createMimeDataFromSelection() const override;
};

}  // namespace zelvora
