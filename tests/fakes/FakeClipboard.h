#pragma once

#include "message/ClipboardPort.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace zelvora {

// An in-memory clipboard that logs what was done to it.
class FakeClipboard : public ClipboardPort {
public:
    QString Text() override { return content.value_or(QString()); }
    void Clear() override {
        content.reset();
        log.append(QStringLiteral("clear"));
    }
    void SetText(const QString& text) override {
        content = text;
        log.append(QStringLiteral("set"));
    }
    // Logged only when there is a selection to give up, as the real one
    // does nothing otherwise.
    void ReleaseSelection() override {
        if (ownsSelection) {
            ownsSelection = false;
            log.append(QStringLiteral("release selection"));
        }
    }

    // No value: the clipboard holds no text at all.
    std::optional<QString> content;
    // Whether text selected in this program is on offer as the selection.
    bool ownsSelection = false;
    QStringList log;
};

}  // namespace zelvora
