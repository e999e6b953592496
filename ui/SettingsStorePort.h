#pragma once

#include <QString>

namespace zelvora {

// The per-user settings store. A write replaces the value whole; a read gives
// back exactly what was written, or the empty text when nothing was. Failures
// are the store's own business and are not reported.
class SettingsStorePort {
public:
    virtual ~SettingsStorePort() = default;
    virtual void Write(const QString& application, const QString& section, const QString& key,
                       const QString& value) = 0;
    virtual QString Read(const QString& application, const QString& section,
                         const QString& key) = 0;
};

}  // namespace zelvora
