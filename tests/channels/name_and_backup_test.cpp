#include "channels/backup_file.h"
#include "channels/name_codec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(NameCodec, EveryByteRoundTripsAndOnlyLatin1NamesUpToTheLimitEncode) {
    QByteArray allBytes;
    for (int b = 0; b < 256; ++b)
        allBytes.append(char(b));
    ASSERT_EQ(NameCodec::fromText(NameCodec::toText(allBytes.left(255))), allBytes.left(255));

    EXPECT_EQ(NameCodec::fromText(QStringLiteral("Caf\u00e9 TV")), QByteArray("Caf\xe9 TV"));
    EXPECT_FALSE(NameCodec::fromText(QStringLiteral("\u20ac News")));
    EXPECT_TRUE(NameCodec::refusalMessage(QStringLiteral("\u20ac News")).contains(QChar(0x20ac)));
    EXPECT_TRUE(NameCodec::fromText(QString(255, QLatin1Char('a'))));
    EXPECT_FALSE(NameCodec::fromText(QString(256, QLatin1Char('a'))));
    EXPECT_TRUE(NameCodec::refusalMessage(QString(256, QLatin1Char('a'))).contains("255"));
    EXPECT_TRUE(NameCodec::refusalMessage(QStringLiteral("plain")).isEmpty());
}

TEST(BackupFile, KeepsThePreviousBytesOrSaysWhyNot) {
    QTemporaryDir dir;
    const QString path = dir.filePath("list.cdf");
    EXPECT_EQ(BackupFile::keepPrevious(path), 1); // nothing there yet
    EXPECT_FALSE(QFile::exists(BackupFile::pathFor(path)));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("old bytes");
    file.close();
    ASSERT_EQ(BackupFile::keepPrevious(path), 0);
    QFile backup(dir.filePath("list.cdf.bak"));
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.readAll(), QByteArray("old bytes"));

    // A folder where the backup should go cannot be replaced: the save must stop.
    const QString blocked = dir.filePath("blocked.cdf");
    QFile(path).copy(blocked);
    ASSERT_TRUE(QDir(dir.path()).mkdir("blocked.cdf.bak"));
    EXPECT_EQ(BackupFile::keepPrevious(blocked), -2);
    EXPECT_FALSE(BackupFile::failureMessage(-2, blocked).isEmpty());
    EXPECT_EQ(BackupFile::keepPrevious(dir.path()), -1); // a folder is not a file to back up
}
