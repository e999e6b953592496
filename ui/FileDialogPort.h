#pragma once

#include <QString>

namespace zelvora {

// A modal open-file dialog, showing `folder` first. `filter` alternates
// descriptions and patterns, separated by vertical bars
// ("Text (*.txt)|*.txt|All (*.*)|*.*"). Returns the full path the user
// confirmed, or the empty text when the user cancelled. A name of a file that
// does not exist yet is accepted.
class FileDialogPort {
public:
    virtual ~FileDialogPort() = default;
    virtual QString GetOpenFileName(const QString& title, const QString& filter,
                                    const QString& fileName, const QString& folder) = 0;
};

}  // namespace zelvora
