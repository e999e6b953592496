#include "widgets/MessageField.h"

#include <QMimeData>
#include <QTextDocument>

#include <memory>

namespace zelvora {

MessageField::MessageField(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

QString MessageField::Text() const {
    // The document keeps each paragraph break as a paragraph separator;
    // nothing else in a plain-text document stands for a break.
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

QMimeData* MessageField::createMimeDataFromSelection() const {
    // The field's own data lists a fixed set of formats, so a type added to
    // it would be carried but never offered to other programs. The field
    // holds plain text only: a fresh object with the text and the mark.
    const std::unique_ptr<QMimeData> selected(QPlainTextEdit::createMimeDataFromSelection());
    auto* data = new QMimeData;
    if (selected != nullptr) {
        data->setText(selected->text());
    }
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    return data;
}

}  // namespace zelvora
