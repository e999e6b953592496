#pragma once

#include <QString>

namespace zelvora {

// The per-user settings store, write only: nothing in the program reads a
// stored value back. A write replaces the value whole; failures are the
// store's own business and are not reported.
class SettingsStorePort {
public:
    virtual ~SettingsStorePort() = default;
    virtual void Write(const QString& application, const QString& section, const QString& key,
                       const QString& value) = 0;
};

}  // namespace zelvora
