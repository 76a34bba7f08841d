#pragma once

#include <QString>

#include <memory>

class QSettings;

// The platform's own per-user store, where it has one (settings_store_posix.cpp,
// settings_store_win32.cpp). Used by SettingsStore only.
namespace NativeSettings {
// True where the platform keeps settings outside files (the Windows registry).
bool available();
// The native store of `applicationName`; only called where available() is true.
std::unique_ptr<QSettings> open(const QString& applicationName);
} // namespace NativeSettings
