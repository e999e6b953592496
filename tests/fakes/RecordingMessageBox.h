#pragma once

#include "message/MessageBoxPort.h"

#include <QString>
#include <QStringList>

namespace zelvora {

// Remembers every message box shown, in order, and returns at once.
class RecordingMessageBox : public MessageBoxPort {
public:
    void Show(const QString& text) override { shown.append(text); }
    QStringList shown;
};

}  // namespace zelvora
