#pragma once

#include "ui/SettingsStorePort.h"

#include <QStringList>

namespace zelvora {

// Logs every write as "application/section/key=value", in order.
class FakeSettingsStore : public SettingsStorePort {
public:
    void Write(const QString& application, const QString& section, const QString& key,
               const QString& value) override {
        writes.append(application + QLatin1Char('/') + section + QLatin1Char('/') + key +
                      QLatin1Char('=') + value);
    }

    QStringList writes;
};

}  // namespace zelvora
