#include "base/file_loading.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <unistd.h>

namespace {

class FileLoadingTest : public ::testing::Test {
protected:
    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    QTemporaryDir dir;
};

// A device whose size() is not what it really holds, as with a file changed by another
// program between taking its size and reading it.
class MisreportingDevice : public QIODevice {
public:
    MisreportingDevice(QByteArray contents, qint64 reportedSize)
        : contents_(std::move(contents)), reportedSize_(reportedSize) {
        open(QIODevice::ReadOnly);
    }
    qint64 size() const override { return reportedSize_; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 count = std::min(maxSize, qint64(contents_.size()) - pos());
        if (count <= 0)
            return 0;
        std::memcpy(data, contents_.constData() + pos(), size_t(count));
        return count;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray contents_;
    qint64 reportedSize_;
};

} // namespace

TEST_F(FileLoadingTest, OpensRegularFilesAndLinksToThem) {
    const QString path = writeFile(QStringLiteral("plain.bin"), "abc");
    QFile file;
    ASSERT_TRUE(openRegularFile(file, path));
    EXPECT_EQ(file.readAll(), "abc");

    const QString link = dir.filePath(QStringLiteral("link.bin"));
    ASSERT_TRUE(QFile::link(path, link));
    QFile linked;
    EXPECT_TRUE(openRegularFile(linked, link));
}

TEST_F(FileLoadingTest, OpensNamesWithCharactersBeyondAscii) {
    const QString path = writeFile(QStringLiteral("Kanäle ÿ 频道 – 1.cdf"), "xyz");
    QFile file;
    ASSERT_TRUE(openRegularFile(file, path));
    EXPECT_EQ(file.readAll(), "xyz");
}

TEST_F(FileLoadingTest, RefusesEverythingButARegularFileWithoutBlocking) {
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString danglingLink = dir.filePath(QStringLiteral("dangling"));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("missing")), danglingLink));
    const QString linkToFifo = dir.filePath(QStringLiteral("to-pipe"));
    ASSERT_TRUE(QFile::link(fifo, linkToFifo));

    // A FIFO without a writer would block an ordinary open for good.
    for (const QString& path :
         {dir.path(), fifo, linkToFifo, danglingLink, QStringLiteral("/dev/null"),
          QStringLiteral("/dev/zero"), dir.filePath(QStringLiteral("missing")), QString()}) {
        QFile file;
        EXPECT_FALSE(openRegularFile(file, path)) << path.toStdString();
        EXPECT_FALSE(file.isOpen());
    }
}

TEST_F(FileLoadingTest, RefusesAFileWithoutReadPermission) {
    const QString path = writeFile(QStringLiteral("secret.bin"), "abc");
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner |
                                                      QFileDevice::ExeOther));
    if (::access(QFile::encodeName(path).constData(), R_OK) != 0) {
        QFile file;
        EXPECT_FALSE(openRegularFile(file, path));
        return;
    }
    // Whoever may read any file tries as an ordinary user, in a child process.
    EXPECT_EXIT(
        {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                std::_Exit(2);
            QFile file;
            std::_Exit(openRegularFile(file, path) ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(FileLoadingTest, ReadsTheWholeFileIntoABufferOfItsSize) {
    QByteArray contents(100'000, '\0');
    for (int i = 0; i < contents.size(); ++i)
        contents[i] = char(i * 7);
    QFile file;
    ASSERT_TRUE(openRegularFile(file, writeFile(QStringLiteral("big.bin"), contents)));
    file.seek(1234); // wherever a check left the read position
    LoadedFile loaded;
    ASSERT_EQ(loadWholeFile(file, loaded), LoadResult::ok);
    ASSERT_EQ(loaded.size(), std::size_t(contents.size()));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(loaded.bytes().data()), contents.size()),
              contents);
}

TEST_F(FileLoadingTest, AFileThatShrankOrGrewSinceItsSizeWasTakenIsNotHandedOn) {
    MisreportingDevice shrank(QByteArray(40, 'a'), 50);
    LoadedFile loaded;
    EXPECT_EQ(loadWholeFile(shrank, loaded), LoadResult::readFailed);
    EXPECT_EQ(loaded.size(), 0u);

    MisreportingDevice grew(QByteArray(60, 'a'), 50);
    EXPECT_EQ(loadWholeFile(grew, loaded), LoadResult::readFailed);
    EXPECT_EQ(loaded.size(), 0u);

    MisreportingDevice exact(QByteArray(50, 'a'), 50);
    EXPECT_EQ(loadWholeFile(exact, loaded), LoadResult::ok);
    EXPECT_EQ(loaded.size(), 50u);
}

TEST_F(FileLoadingTest, NoBufferForFilesBeyondTheLimit) {
    // The limit is checked before anything is allocated.
    MisreportingDevice huge(QByteArray(), qint64(5) << 30);
    LoadedFile loaded;
    EXPECT_EQ(loadWholeFile(huge, loaded), LoadResult::noBuffer);
    MisreportingDevice limited(QByteArray(101, 'a'), 101);
    EXPECT_EQ(loadWholeFile(limited, loaded, 100), LoadResult::noBuffer);
    EXPECT_EQ(loaded.size(), 0u);

    // A real sparse file of 5 GiB takes no room on disk.
    QFile sparse(dir.filePath(QStringLiteral("sparse.bin")));
    ASSERT_TRUE(sparse.open(QIODevice::ReadWrite));
    if (!sparse.resize(qint64(5) << 30))
        GTEST_SKIP() << "no sparse files here";
    EXPECT_EQ(loadWholeFile(sparse, loaded), LoadResult::noBuffer);
}
