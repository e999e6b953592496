#include "ui/QtSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace zelvora {
namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// The file tells which key files the user has and where: nobody else's
// business. It is made readable by its owner alone before anything is
// written to it, and a file left readable by an older version is closed.
// Qt's settings writer replaces the file by a new one with the old one's
// permissions, so they hold across writes.
void KeepToOwner(const QString& path) {
    if (QFileInfo::exists(path)) {
        QFile::setPermissions(path, kOwnerOnly);
        return;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    // NewOnly: never opens a file another process put there meanwhile.
    (void)file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly);
}

}  // namespace

void QtSettingsStore::Write(const QString& application, const QString& section, const QString& key,
                            const QString& value) {
    // The native format is the one named <name>.conf; with the organisation
    // as the only name the file lies directly in the configuration folder.
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, application);
    KeepToOwner(settings.fileName());
    settings.beginGroup(section);
    // A null text would be stored as an invalid value rather than as the
    // empty string an empty path box stands for.
    settings.setValue(key, value.isNull() ? QStringLiteral("") : value);
    settings.endGroup();
    // Written now, not when some later object goes: the program may end at
    // once through Quit. A failed write is deliberately not reported; the
    // path stays in its box and is written again on the next focus loss.
    settings.sync();
    KeepToOwner(settings.fileName());
}

QString QtSettingsStore::Read(const QString& application, const QString& section,
                              const QString& key) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, application);
    if (QFileInfo::exists(settings.fileName())) {
        KeepToOwner(settings.fileName());
    }
    settings.beginGroup(section);
    // A value edited by hand into something other than one text (a list, for
    // one) is no path this program wrote; it reads as none.
    const QVariant value = settings.value(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

}  // namespace zelvora
