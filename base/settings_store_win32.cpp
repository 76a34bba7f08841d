// The registry: HKEY_CURRENT_USER\Software\<seven spaces>\<application name>, each section a
// subkey ("Last settings"), texts as REG_SZ and integers as REG_DWORD (QSettings' native
// format writes an int that way).
#include "base/settings_store_native.h"

#include <QSettings>

namespace {
// The company key is seven spaces, kept exactly (not trimmed).
const QString companyKey = QStringLiteral("       ");
} // namespace

bool NativeSettings::available() {
    return true;
}

std::unique_ptr<QSettings> NativeSettings::open(const QString& applicationName) {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, companyKey,
                                       applicationName);
}
