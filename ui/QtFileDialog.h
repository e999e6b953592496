#pragma once

#include "ui/FileDialogPort.h"

#include <QStringList>

class QWidget;

namespace zelvora {

// Modal open and folder dialogs in front of `owner`. Each call builds a fresh
// dialog, so no title, filter or file name carries over from one call to the
// next.
class QtFileDialog : public FileDialogPort {
public:
    explicit QtFileDialog(QWidget* owner = nullptr) : owner_(owner) {}
    // The window the composition made after this port.
    void SetOwner(QWidget* owner) { owner_ = owner; }
    QString GetOpenFileName(const QString& title, const QString& filter, const QString& fileName,
                            const QString& folder) override;
    QString GetExistingFolder(const QString& title, const QString& folder) override;

    // Turns "Description|pattern|Description|pattern" into the dialog's own
    // entries. The description is what the user sees; "*.*" means every file,
    // names without a dot included.
    static QStringList NameFilters(const QString& filter);

private:
    QWidget* owner_;
};

}  // namespace zelvora
