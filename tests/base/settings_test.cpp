#include "base/last_settings.h"
#include "base/name_settings.h"
#include "tests/support/test_environment.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(LastSettings, MissingValuesReadAsDefaults) {
    QTemporaryDir dir;
    const LastSettings settings(SettingsStore(dir.filePath(QStringLiteral("none.conf"))));
    EXPECT_EQ(settings.readFirmwarePath(), QString());
    EXPECT_EQ(settings.readChannelPath(), QString());
    EXPECT_EQ(settings.readComPort(), 0);
}

TEST(LastSettings, ValuesSurviveTheirTextsExactly) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("rx.conf"));
    const QString awkward = QStringLiteral(" /home/ÿser/Kanäle, alt; \"neu\"/=[x] 频道.cdf ");
    {
        LastSettings settings{SettingsStore(file)};
        settings.writeFirmwarePath(QStringLiteral("/tmp/a,b.bin"));
        settings.writeChannelPath(awkward);
        settings.writeComPort(4);
    }
    // A new store on the same file, as at the next start.
    LastSettings settings{SettingsStore(file)};
    EXPECT_EQ(settings.readFirmwarePath(), QStringLiteral("/tmp/a,b.bin"));
    EXPECT_EQ(settings.readChannelPath(), awkward);
    EXPECT_EQ(settings.readComPort(), 4);

    settings.writeFirmwarePath(QString());
    EXPECT_EQ(settings.readFirmwarePath(), QString());
}

TEST(LastSettings, DamagedValuesReadAsDefaults) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("damaged.conf"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Last%20settings]\nCom=seven\n");
    file.close();
    const LastSettings settings{SettingsStore(path)};
    EXPECT_EQ(settings.readComPort(), 0);
    EXPECT_EQ(settings.readFirmwarePath(), QString());
}

TEST(LastSettings, AWriteThatCannotBeStoredIsDropped) {
    QTemporaryDir dir;
    // The store's folder is a file: nothing can be written, nothing is reported.
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    LastSettings settings{SettingsStore(blocker + QStringLiteral("/rx.conf"))};
    settings.writeComPort(2);
    EXPECT_EQ(settings.readComPort(), 0);
}

TEST(SettingsLocation, NamedAfterTheExecutableWithoutItsExtension) {
    const QString plain = SettingsStore::filePathFor(QStringLiteral("/usr/bin/rx7700"));
    EXPECT_TRUE(plain.endsWith(QStringLiteral("/rx7700.conf"))) << plain.toStdString();
    EXPECT_TRUE(SettingsStore::filePathFor(QStringLiteral("/opt/RX7700.EXE"))
                    .endsWith(QStringLiteral("/RX7700.conf")));
    EXPECT_EQ(SettingsStore::applicationNameFor(QStringLiteral("/opt/rx.7700.exe")),
              QStringLiteral("rx.7700"));
    // The folder the executable lies in does not matter, its name does.
    EXPECT_EQ(SettingsStore::filePathFor(QStringLiteral("/home/user/bin/rx7700")), plain);
    // The store of this test binary is the one the test environment expects.
    EXPECT_TRUE(SettingsStore::defaultFilePath().startsWith(TestEnvironment::root()));
}

TEST(SettingsLocation, ARenamedExecutableStartsWithFreshSettings) {
    LastSettings original{SettingsStore(SettingsStore::filePathFor(QStringLiteral("/x/rx7700")))};
    original.writeFirmwarePath(QStringLiteral("/fw/3.10.bin"));
    original.writeComPort(2);

    const LastSettings renamed{
        SettingsStore(SettingsStore::filePathFor(QStringLiteral("/x/rx7700-old")))};
    EXPECT_EQ(renamed.readFirmwarePath(), QString());
    EXPECT_EQ(renamed.readComPort(), 0);

    const LastSettings sameName{
        SettingsStore(SettingsStore::filePathFor(QStringLiteral("/elsewhere/rx7700")))};
    EXPECT_EQ(sameName.readFirmwarePath(), QStringLiteral("/fw/3.10.bin"));
}

TEST(NameSettings, CharsetDefaultsToLatin1AndIsStoredUnderNames) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("rx.conf"));
    EXPECT_EQ(NameSettings{SettingsStore(file)}.readCharset(), QStringLiteral("ISO-8859-1"));
    NameSettings{SettingsStore(file)}.writeCharset(QStringLiteral("windows-1251"));
    EXPECT_EQ(NameSettings{SettingsStore(file)}.readCharset(), QStringLiteral("windows-1251"));
    QFile stored(file);
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly | QIODevice::Text)); // CR LF on Windows
    EXPECT_TRUE(stored.readAll().contains("[Names]\nCharset=windows-1251"));
}
