#include "ui/QtSettingsStore.h"

#include <QSettings>

namespace zelvora {

void QtSettingsStore::Write(const QString& application, const QString& section, const QString& key,
                            const QString& value) {
    // The native format is the one named <name>.conf; with the organisation
    // as the only name the file lies directly in the configuration folder.
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, application);
    settings.beginGroup(section);
    // A null text would be stored as an invalid value rather than as the
    // empty string an empty path box stands for.
    settings.setValue(key, value.isNull() ? QStringLiteral("") : value);
    settings.endGroup();
    // Written now, not when some later object goes: the program may end at
    // once through Quit. A failed write is deliberately not reported; the
    // path stays in its box and is written again on the next focus loss.
    settings.sync();
}

QString QtSettingsStore::Read(const QString& application, const QString& section,
                              const QString& key) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, application);
    settings.beginGroup(section);
    // A value edited by hand into something other than one text (a list, for
    // one) is no path this program wrote; it reads as none.
    const QVariant value = settings.value(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

}  // namespace zelvora
