// The registry store: the key path with the company key of seven spaces, texts as REG_SZ and
// the port number as REG_DWORD, read back by a later store. The key belongs to a name made for
// this test only and is removed again.
#include "base/last_settings.h"
#include "base/settings_store_native.h"

#include <QCoreApplication>
#include <QSettings>

#include <gtest/gtest.h>

#include <windows.h>

namespace {

std::wstring keyPathOf(const QString& applicationName) {
    return (QStringLiteral("Software\\       \\") + applicationName +
            QStringLiteral("\\Last settings"))
        .toStdWString();
}

} // namespace

TEST(RegistrySettings, LiveUnderTheSevenSpaceCompanyKeyWithRegistryTypes) {
    ASSERT_TRUE(NativeSettings::available());
    const QString name = QStringLiteral("rx7700-test-%1").arg(QCoreApplication::applicationPid());
    const QString firmware = QStringLiteral("C:\\Receiver files\\Kanäle 2.bin");
    {
        auto settings = NativeSettings::open(name);
        settings->setValue(QStringLiteral("Last settings/Firmware"), firmware);
        settings->setValue(QStringLiteral("Last settings/Com"), 3);
        settings->sync();
        EXPECT_EQ(settings->status(), QSettings::NoError);
    }

    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, keyPathOf(name).c_str(), 0, KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD type = 0;
    DWORD number = 0;
    DWORD size = sizeof number;
    EXPECT_EQ(
        ::RegQueryValueExW(key, L"Com", nullptr, &type, reinterpret_cast<BYTE*>(&number), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_DWORD));
    EXPECT_EQ(number, 3u);
    wchar_t text[256] = {};
    size = sizeof text;
    EXPECT_EQ(
        ::RegQueryValueExW(key, L"Firmware", nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(QString::fromWCharArray(text), firmware);
    ::RegCloseKey(key);

    // A fresh store reads what the first one wrote, through the program's own names.
    auto again = NativeSettings::open(name);
    EXPECT_EQ(again->value(QStringLiteral("Last settings/Com")).toInt(), 3);
    EXPECT_EQ(again->value(QStringLiteral("Last settings/Firmware")).toString(), firmware);
    again.reset();

    const std::wstring applicationKey =
        (QStringLiteral("Software\\       \\") + name).toStdWString();
    EXPECT_EQ(::RegDeleteTreeW(HKEY_CURRENT_USER, applicationKey.c_str()), ERROR_SUCCESS);
}

TEST(RegistrySettings, TestRunsKeepEveryStoreInAFile) {
    // test_main redirects the stores: the program's store must not reach the registry here.
    LastSettings settings;
    settings.writeComPort(2);
    EXPECT_EQ(settings.readComPort(), 2);
    HKEY key = nullptr;
    const QString name = SettingsStore::applicationNameFor(QCoreApplication::applicationFilePath());
    EXPECT_NE(::RegOpenKeyExW(HKEY_CURRENT_USER, keyPathOf(name).c_str(), 0, KEY_READ, &key),
              ERROR_SUCCESS);
}
