#include "channels/backup_file.h"
#include "channels/name_codec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

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

    auto write = [](const QString& name, const QByteArray& bytes) {
        QFile file(name);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    auto read = [](const QString& name) {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    ASSERT_TRUE(write(path, "old bytes"));
    ASSERT_EQ(BackupFile::keepPrevious(path), 0);
    EXPECT_EQ(read(dir.filePath("list.cdf.~1~")), QByteArray("old bytes"));
    // A second save of unchanged bytes makes no second copy; changed bytes get a new number
    // and the earlier backup stays as it was.
    ASSERT_EQ(BackupFile::keepPrevious(path), 0);
    EXPECT_FALSE(QFile::exists(dir.filePath("list.cdf.~2~")));
    ASSERT_TRUE(write(path, "newer bytes"));
    EXPECT_EQ(BackupFile::keepPrevious(path, QByteArrayView("newer bytes")), 0)
        << "about to write what is there already";
    EXPECT_FALSE(QFile::exists(dir.filePath("list.cdf.~2~")));
    ASSERT_EQ(BackupFile::keepPrevious(path, QByteArrayView("newest")), 0);
    EXPECT_EQ(read(dir.filePath("list.cdf.~2~")), QByteArray("newer bytes"));
    EXPECT_EQ(read(dir.filePath("list.cdf.~1~")), QByteArray("old bytes"));
    EXPECT_EQ(BackupFile::pathFor(path), dir.filePath("list.cdf.~2~"));

    // A folder where the backup should go cannot be replaced: the save must stop.
    const QString blocked = dir.filePath("blocked.cdf");
    QFile(path).copy(blocked);
    ASSERT_TRUE(QDir(dir.path()).mkdir("blocked.cdf.~1~"));
    EXPECT_EQ(BackupFile::keepPrevious(blocked), -2);
    EXPECT_EQ(BackupFile::failureMessage(-2, blocked),
              "Cannot write the backup " + blocked + ".~1~. Nothing was saved.");
    EXPECT_EQ(BackupFile::keepPrevious(dir.path()), -1); // a folder is not a file to back up
}

TEST(BackupFile, NamesWithWildcardCharactersFindTheirBackups) {
    QTemporaryDir dir;
    for (const char* name : {"list [1].cdf", "[ab].cdf", "a*b?.cdf"}) {
        SCOPED_TRACE(name);
        const QString path = dir.filePath(QString::fromLatin1(name));
        const auto write = [&path](const QByteArray& bytes) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_EQ(file.write(bytes), bytes.size());
        };
        const auto read = [](const QString& file) {
            QFile in(file);
            return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
        };
        // Two saves in two sessions: the first backup keeps the user's original bytes.
        write("original");
        ASSERT_EQ(BackupFile::keepPrevious(path), 0);
        write("saved once");
        ASSERT_EQ(BackupFile::keepPrevious(path), 0);
        EXPECT_EQ(read(BackupFile::numberedPath(path, 1)), QByteArray("original"));
        EXPECT_EQ(read(BackupFile::numberedPath(path, 2)), QByteArray("saved once"));
        EXPECT_EQ(
            BackupFile::existingBackups(path),
            QStringList({BackupFile::numberedPath(path, 2), BackupFile::numberedPath(path, 1)}));
    }
}

TEST(BackupFile, ABackupTheFolderListingMissesIsNeverReplaced) {
    QTemporaryDir dir;
    const QString path = dir.filePath("list.cdf");
    const auto write = [](const QString& file, const QByteArray& bytes) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        ASSERT_EQ(out.write(bytes), bytes.size());
    };
    const auto read = [](const QString& file) {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    };
    // A number longer than the listing takes: the backup after ~999999999~ is not seen again.
    write(BackupFile::numberedPath(path, 999999999), "old");
    write(path, "original");
    ASSERT_EQ(BackupFile::keepPrevious(path), 0);
    write(path, "saved once");
    ASSERT_EQ(BackupFile::keepPrevious(path), 0);
    EXPECT_EQ(read(BackupFile::numberedPath(path, 1000000000)), QByteArray("original"));
    EXPECT_EQ(read(BackupFile::numberedPath(path, 1000000001)), QByteArray("saved once"));

    // A folder that may be written but not read: nothing can be listed, ~1~ is there all the
    // same.
    if (geteuid() == 0)
        GTEST_SKIP() << "permission bits do not stop root from listing the folder";
    const QString dropBox = dir.filePath("drop");
    ASSERT_TRUE(QDir(dir.path()).mkdir("drop"));
    const QString file = dropBox + "/list.cdf";
    write(file, "original");
    ASSERT_EQ(BackupFile::keepPrevious(file), 0);
    write(file, "saved once");
    ASSERT_TRUE(QFile::setPermissions(dropBox, QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    const int kept = BackupFile::keepPrevious(file);
    QFile::setPermissions(dropBox,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_EQ(kept, 0);
    EXPECT_EQ(read(BackupFile::numberedPath(file, 1)), QByteArray("original"));
    EXPECT_EQ(read(BackupFile::numberedPath(file, 2)), QByteArray("saved once"));
}
