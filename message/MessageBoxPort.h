#pragma once

#include <QString>

namespace zelvora {

// A modal message box with only an OK button, no icon, captioned with the
// application's title. Returns once the user has dismissed it.
class MessageBoxPort {
public:
    virtual ~MessageBoxPort() = default;
    virtual void Show(const QString& text) = 0;
};

}  // namespace zelvora
