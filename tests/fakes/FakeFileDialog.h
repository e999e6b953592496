#pragma once

#include "ui/FileDialogPort.h"

#include <QList>
#include <QString>

#include <functional>

namespace zelvora {

// Answers each opening with the next scripted answer (empty: Cancel) and
// remembers what it was opened with. `whileOpen` runs inside the opening.
class FakeFileDialog : public FileDialogPort {
public:
    struct Opening {
        QString title;
        QString filter;
        QString fileName;
        QString folder;
    };

    QString GetOpenFileName(const QString& title, const QString& filter, const QString& fileName,
                            const QString& folder) override {
        openings.append({title, filter, fileName, folder});
        if (whileOpen) {
            whileOpen();
        }
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }

    QList<QString> answers;
    QList<Opening> openings;
    std::function<void()> whileOpen;
};

}  // namespace zelvora
