#include "message/MessageText.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace zelvora {

// Qt takes the locale's 8-bit encoding on Linux to be UTF-8 whatever the
// locale says, which is what toLocal8Bit gave. It is named directly: Qt's
// System converter reaches the same code through a temporary byte array
// that it frees unwiped.

SecureBytes EncodeMessage(const QString& text) {
    QStringEncoder encoder(QStringEncoder::Utf8);
    SecureBytes bytes(static_cast<std::size_t>(encoder.requiredSpace(text.size())));
    char* const begin = reinterpret_cast<char*>(bytes.data());
    const char* const end = encoder.appendToBuffer(begin, text);
    bytes.resize(static_cast<std::size_t>(end - begin));
    return bytes;
}

QString DecodeMessage(std::span<const std::uint8_t> bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QByteArrayView view(reinterpret_cast<const char*>(bytes.data()),
                              static_cast<qsizetype>(bytes.size()));
    QString text(decoder.requiredSpace(view.size()), Qt::Uninitialized);
    const QChar* const end = decoder.appendToBuffer(text.data(), view);
    // Shrinking keeps the buffer, so no copy of the text is made.
    text.truncate(end - text.constData());
    return text;
}

void WipeString(QString& text) {
    if (text.isDetached()) {
        WipeMemory(text.data(), static_cast<std::size_t>(text.size()) * sizeof(QChar));
    }
    text = QString();
}

}  // namespace zelvora
