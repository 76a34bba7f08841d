// Without a registry every store is a file (SettingsStore::filePathFor).
#include "base/settings_store_native.h"

#include <QSettings>

bool NativeSettings::available() {
    return false;
}

std::unique_ptr<QSettings> NativeSettings::open(const QString& applicationName) {
    // Not reached (available() is false); a store in memory keeps a caller safe regardless.
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("rx7700-unused"), applicationName);
}
