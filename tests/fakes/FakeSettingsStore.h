#pragma once

#include "ui/SettingsStorePort.h"

#include <QMap>
#include <QStringList>

namespace zelvora {

// Logs every write as "application/section/key=value", in order, and keeps
// the values, which reads give back ("application/section/key" to value).
class FakeSettingsStore : public SettingsStorePort {
public:
    void Write(const QString& application, const QString& section, const QString& key,
               const QString& value) override {
        const QString name = application + QLatin1Char('/') + section + QLatin1Char('/') + key;
        writes.append(name + QLatin1Char('=') + value);
        values[name] = value;
    }
    QString Read(const QString& application, const QString& section, const QString& key) override {
        return values.value(application + QLatin1Char('/') + section + QLatin1Char('/') + key);
    }

    QStringList writes;
    QMap<QString, QString> values;
};

}  // namespace zelvora
