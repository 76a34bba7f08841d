#include "link/upload_buffer.h"
#include "link/upload_save.h"

#include "tests/support/test_environment.h"
#include "tests/transfer/fake_link.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

namespace {

Bytes receivedImage(const Bytes& body) {
    UploadBuffer buffer;
    buffer.writeHeader(2, 0x05, {6, 12, 2, 14, 5}, std::uint32_t(body.size()));
    buffer.storeBody(0, body);
    const auto image = buffer.image();
    return Bytes(image.begin(), image.end());
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray asBytes(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

TEST(UploadBuffer, HeaderCarriesMagicFieldsDateAndLength) {
    UploadBuffer buffer;
    buffer.writeHeader(1, 0x0F, {31, 12, 99, 23, 59}, 0x00030201);
    const auto image = buffer.image();
    ASSERT_EQ(image.size(), 14u + 0x00030201);
    EXPECT_EQ(Bytes(image.begin(), image.begin() + 14),
              (Bytes{'C', 'D', 'F', 1, 0x0F, 31, 12, 99, 23, 59, 0x01, 0x02, 0x03, 0x00}));
}

TEST(UploadBuffer, StoresOnlyInsideTheAnnouncedBody) {
    UploadBuffer buffer;
    buffer.writeHeader(1, 0, {}, 1500);
    EXPECT_EQ(buffer.storeBody(1024, Bytes(1024, 0xAB)), 476u);
    EXPECT_EQ(buffer.storeBody(1500, Bytes(10, 0xCD)), 0u);
    EXPECT_EQ(buffer.storeBody(5000, Bytes(10, 0xCD)), 0u);
    const auto image = buffer.image();
    EXPECT_EQ(image[14 + 1023], 0x00);
    EXPECT_EQ(image[14 + 1024], 0xAB);
    EXPECT_EQ(image.back(), 0xAB);
    EXPECT_TRUE(UploadBuffer::fits(1048562));
    EXPECT_FALSE(UploadBuffer::fits(1048563));
}

class UploadSave : public ::testing::Test {
protected:
    QTemporaryDir dir{TestEnvironment::root() + "/save-XXXXXX"};
    QString path() const { return dir.filePath("channels.cdf"); }
};

TEST_F(UploadSave, WritesHeaderAndBodyExactly) {
    const Bytes image = receivedImage({'x', 'y', 'E', 'N', 'D'});
    EXPECT_EQ(saveUploadImage(image, path()), uploadSaved);
    EXPECT_EQ(readAll(path()), asBytes(image));
    EXPECT_EQ(readAll(path()).size(), 19);
}

TEST_F(UploadSave, UploadsToOneNameNeverLoseTheUsersFile) {
    QFile old(path());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'o'));
    old.close();
    const Bytes first = receivedImage({'1', 'E', 'N', 'D'});
    const Bytes second = receivedImage({'2', 'E', 'N', 'D'});
    EXPECT_EQ(saveUploadImage(first, path()), uploadSaved);
    EXPECT_EQ(saveUploadImage(first, path()), uploadSaved); // the same bytes again: no copy
    EXPECT_EQ(saveUploadImage(second, path()), uploadSaved);
    EXPECT_EQ(readAll(path()), asBytes(second));
    EXPECT_EQ(readAll(path() + ".~1~"), QByteArray(5000, 'o')) << "the user's file";
    EXPECT_EQ(readAll(path() + ".~2~"), asBytes(first));
    EXPECT_FALSE(QFile::exists(path() + ".~3~"));

    // The newest five generations are kept.
    for (char c = 'a'; c <= 'f'; ++c)
        ASSERT_EQ(saveUploadImage(receivedImage({std::uint8_t(c), 'E', 'N', 'D'}), path()),
                  uploadSaved);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{"channels.cdf", "channels.cdf.~4~", "channels.cdf.~5~",
                           "channels.cdf.~6~", "channels.cdf.~7~", "channels.cdf.~8~"}));
    EXPECT_EQ(readAll(path() + ".~8~"), asBytes(receivedImage({'e', 'E', 'N', 'D'})));
}

TEST_F(UploadSave, PathIsCheckedBeforeTheTransfer) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken"));
    EXPECT_TRUE(uploadPathWritable(path()));
    EXPECT_FALSE(uploadPathWritable(dir.filePath("taken")));
    EXPECT_FALSE(uploadPathWritable(dir.filePath("missing/channels.cdf")));
    EXPECT_FALSE(uploadPathWritable(QString()));
    if (::geteuid() != 0) {
        // A read-only file is one the save would refuse to replace.
        QFile old(path());
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.close();
        QFile::setPermissions(path(), QFileDevice::ReadOwner);
        EXPECT_FALSE(uploadPathWritable(path()));
        QFile::remove(path());
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        EXPECT_FALSE(uploadPathWritable(path()));
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner);
    }
}

TEST_F(UploadSave, TheCheckPromisesWhatTheSaveDoesThroughSymbolicLinks) {
    // The save writes where a link points and keeps the backup of an existing file beside the
    // link; the check before the transfer must look at both places, not only at the link's.
    const QString open = dir.filePath("open"), shut = dir.filePath("shut");
    ASSERT_TRUE(QDir().mkdir(open) && QDir().mkdir(shut));
    QFile old(open + "/old.cdf");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    const auto link = [](const QString& target, const QString& name) {
        EXPECT_TRUE(QFile::link(target, name)) << qPrintable(name);
        return name;
    };
    struct Case {
        QString path;
        bool saved;
    };
    std::vector<Case> cases = {
        {link(dir.filePath("missing/new.cdf"), open + "/to-missing.cdf"), false},
        {link(open + "/new.cdf", dir.filePath("to-new.cdf")), true},
    };
    const bool permissionsHold = ::geteuid() != 0;
    if (permissionsHold) {
        QFile writeOnly(open + "/write-only.cdf");
        ASSERT_TRUE(writeOnly.open(QIODevice::WriteOnly));
        writeOnly.close();
        QFile::setPermissions(writeOnly.fileName(), QFileDevice::WriteOwner);
        cases.push_back({link(open + "/shut-new.cdf", shut + "/to-open-new.cdf"), true});
        cases.push_back({link(open + "/old.cdf", shut + "/to-open-old.cdf"), false}); // backup
        cases.push_back({link(shut + "/new.cdf", open + "/to-shut.cdf"), false});
        cases.push_back({writeOnly.fileName(), false}); // the backup cannot read it
        QFile::setPermissions(shut, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    const Bytes image = receivedImage({'n', 'E', 'N', 'D'});
    for (const Case& c : cases) {
        EXPECT_EQ(uploadPathWritable(c.path), c.saved) << qPrintable(c.path);
        EXPECT_EQ(saveUploadImage(image, c.path) == uploadSaved, c.saved) << qPrintable(c.path);
    }
    EXPECT_EQ(readAll(open + "/new.cdf"), asBytes(image));
    if (permissionsHold)
        QFile::setPermissions(shut, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner);
    // The check leaves nothing of its own behind.
    EXPECT_EQ(QDir(open).entryList(QDir::Files | QDir::Hidden | QDir::System).filter(".rx7700"),
              QStringList());
}

TEST_F(UploadSave, BodyWithoutEndMarkIsNotWritten) {
    EXPECT_EQ(saveUploadImage(receivedImage({'E', 'N', 'X'}), path()), uploadInvalidFormat);
    EXPECT_FALSE(QFile::exists(path()));
    Bytes noMagic = receivedImage({'E', 'N', 'D'});
    noMagic[0] = 'X';
    EXPECT_EQ(saveUploadImage(noMagic, path()), uploadInvalidFormat);
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(UploadSave, ImageShorterThanItsAnnouncedBodyIsInvalid) {
    Bytes image = receivedImage({'a', 'E', 'N', 'D'});
    image.resize(image.size() - 1);
    EXPECT_EQ(saveUploadImage(image, path()), uploadInvalidFormat);
    EXPECT_EQ(saveUploadImage(Bytes{'C', 'D', 'F'}, path()), uploadInvalidFormat);
}

TEST_F(UploadSave, ReadOnlyFolderCannotBeWrittenAndKeepsTheOldFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "folder permissions do not bind the superuser";
    QFile old(path());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old contents");
    old.close();
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const Bytes image = receivedImage({'E', 'N', 'D'});
    const UploadSaveResult result = saveUploadImage(image, path());
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // The backup of the old file is the first thing that cannot be written.
    EXPECT_EQ(result, uploadBackupFailed);
    EXPECT_EQ(uploadSaveMessage(result, path()),
              "Cannot write the backup " + path() + ".~1~. Nothing was saved.");
    EXPECT_EQ(readAll(path()), QByteArray("old contents"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"channels.cdf"});
}

TEST_F(UploadSave, WriteFailingAfterCreationKeepsTheOldFile) {
    QFile old(path());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old"); // short enough for its backup to be written
    old.close();
    // A file size limit below the image makes the write fail once the file exists.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 8;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    Bytes body(100, 'x');
    std::copy_n("END", 3, body.end() - 3);
    const Bytes image = receivedImage(body);
    const UploadSaveResult result = saveUploadImage(image, path());
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(result, uploadWriteFailed);
    EXPECT_EQ(readAll(path()), QByteArray("old"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{"channels.cdf", "channels.cdf.~1~"}));
}

TEST_F(UploadSave, FolderInTheWayCannotBeCreated) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken"));
    EXPECT_EQ(saveUploadImage(receivedImage({'E', 'N', 'D'}), dir.filePath("taken")),
              uploadCannotCreate);
    EXPECT_TRUE(QFileInfo(dir.filePath("taken")).isDir());
}

TEST_F(UploadSave, MissingFolderCannotBeCreated) {
    const QString missing = dir.filePath("no/such/folder/channels.cdf");
    EXPECT_EQ(saveUploadImage(receivedImage({'E', 'N', 'D'}), missing), uploadCannotCreate);
    EXPECT_EQ(saveUploadImage(receivedImage({'E', 'N', 'D'}), QString()), uploadCannotCreate);
}

TEST_F(UploadSave, WriterFailuresMapToResultsAndMessages) {
    const Bytes image = receivedImage({'1', '2', 'E', 'N', 'D'});
    Bytes written;
    const auto failingWrite = [&](const QString&, std::span<const std::uint8_t> bytes) {
        written.assign(bytes.begin(), bytes.end());
        return -2;
    };
    EXPECT_EQ(saveUploadImage(image, path(), failingWrite), uploadWriteFailed);
    EXPECT_EQ(written, image);
    const auto cannotCreate = [](const QString&, std::span<const std::uint8_t>) { return -1; };
    EXPECT_EQ(saveUploadImage(image, path(), cannotCreate), uploadCannotCreate);

    EXPECT_EQ(uploadSaveMessage(uploadSaved), QString());
    EXPECT_EQ(uploadSaveMessage(uploadInvalidFormat), "Invalid CDF format...");
    EXPECT_EQ(uploadSaveMessage(uploadCannotCreate), "Cannot create a file...");
    EXPECT_EQ(uploadSaveMessage(uploadWriteFailed), "Cannot write the file...");
}

} // namespace
