#pragma once

#include <QString>

namespace zelvora {

// Modal file and folder choosers, each showing `folder` first.
class FileDialogPort {
public:
    virtual ~FileDialogPort() = default;
    // `filter` alternates descriptions and patterns, separated by vertical
    // bars ("Text (*.txt)|*.txt|All (*.*)|*.*"). Returns the full path the
    // user confirmed, or the empty text when the user cancelled. A name of a
    // file that does not exist yet is accepted.
    virtual QString GetOpenFileName(const QString& title, const QString& filter,
                                    const QString& fileName, const QString& folder) = 0;
    // Returns the existing folder the user confirmed, or the empty text when
    // the user cancelled.
    virtual QString GetExistingFolder(const QString& title, const QString& folder) = 0;
};

}  // namespace zelvora
