#pragma once

#include "ui/SettingsStorePort.h"

namespace zelvora {

// The user-scope settings of the desktop: `application` names the file
// ($XDG_CONFIG_HOME/<application>.conf, ~/.config by default) and `section`
// the group in it.
class QtSettingsStore : public SettingsStorePort {
public:
    void Write(const QString& application, const QString& section, const QString& key,
               const QString& value) override;
    QString Read(const QString& application, const QString& section, const QString& key) override;
};

}  // namespace zelvora
