#pragma once

#include "ui/FileDialogPort.h"

#include <QList>
#include <QString>

#include <functional>
#include <utility>

namespace zelvora {

// Answers each opening, of a file or a folder chooser alike, with the next
// scripted answer (empty: Cancel) and remembers what it was opened with.
// `whileOpen` runs inside the opening.
class FakeFileDialog : public FileDialogPort {
public:
    struct Opening {
        QString title;
        QString filter;
        QString fileName;
        QString folder;
        // Opened by GetExistingFolder, which has no filter or file name.
        bool foldersOnly = false;
    };

    QString GetOpenFileName(const QString& title, const QString& filter, const QString& fileName,
                            const QString& folder) override {
        return Open({title, filter, fileName, folder});
    }

    QString GetExistingFolder(const QString& title, const QString& folder) override {
        return Open({title, QString(), QString(), folder, true});
    }

    QList<QString> answers;
    QList<Opening> openings;
    std::function<void()> whileOpen;

private:
    QString Open(Opening opening) {
        openings.append(std::move(opening));
        if (whileOpen) {
            whileOpen();
        }
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};

}  // namespace zelvora
