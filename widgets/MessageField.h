#pragma once

#include <QPlainTextEdit>

namespace zelvora {

// The message field: plain text only, Tab moves the focus on, Enter starts a
// new line and presses no button.
class MessageField : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit MessageField(QWidget* parent = nullptr);

    // The text exactly as typed, with a line feed between paragraphs. The
    // plain-text read would also turn no-break spaces into spaces and line
    // separators into line feeds, and the reader would get another text.
    QString Text() const;

protected:
    // Text copied, cut or dragged out of the field is usually decrypted
    // plaintext: it is marked so that clipboard managers keep it out of their
    // history.
    QMimeData* createMimeDataFromSelection() const override;
};

}  // namespace zelvora
