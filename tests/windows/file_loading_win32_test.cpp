// Opening a file the user names on Windows: regular files only; device names are refused
// without being opened.
#include "base/file_loading.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(FileLoadingWin32, OpensRegularFilesAndRefusesDirectoriesAndDevices) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Kanäle.cdf"));
    {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("\x01\x02\x03", 3);
    }
    QFile file;
    ASSERT_TRUE(openRegularFile(file, QDir::toNativeSeparators(path)));
    LoadedFile loaded;
    ASSERT_EQ(loadWholeFile(file, loaded), LoadResult::ok);
    EXPECT_EQ(loaded.size(), 3u);
    EXPECT_EQ(loaded.bytes()[2], 3);

    for (const QString& refused :
         {dir.path(), QString(), QStringLiteral("NUL"), QStringLiteral("COM1"),
          QStringLiteral("\\\\.\\COM1"), QStringLiteral("//./COM2"), dir.filePath("con.txt"),
          dir.filePath("Aux."), dir.filePath("missing.bin")}) {
        QFile other;
        EXPECT_FALSE(openRegularFile(other, refused)) << refused.toStdString();
        EXPECT_FALSE(other.isOpen());
    }
}
