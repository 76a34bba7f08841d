#include "channels/atomic_file.h"
#include "channels/channel_database.h"
#include "channels/channel_file_generator.h"
#include "channels/channel_file_reader.h"
#include "channels/channel_file_writer.h"
#include "tests/channels/qt_print.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writePlain(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList entries(const QString& dir) {
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Lets no file of this process grow beyond `bytes` while it lives: writes past the limit fail
// as they would on a full disk (root is bound by it too).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool active() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};

class AtomicFile : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir{QDir(TestEnvironment::root()).filePath("atomic-XXXXXX")};
};

} // namespace

TEST_F(AtomicFile, CreatesAndReplacesWithoutLeavingTemporaryFiles) {
    const QString target = path("data.cdf");
    EXPECT_EQ(writeFileAtomically(target, "first"), 0);
    EXPECT_EQ(readAll(target), "first");
    EXPECT_EQ(writeFileAtomically(target, "second, longer"), 0);
    EXPECT_EQ(readAll(target), "second, longer");
    EXPECT_EQ(writeFileAtomically(target, ""), 0);
    EXPECT_EQ(readAll(target), "");
    EXPECT_EQ(entries(m_dir.path()), QStringList{"data.cdf"});
}

TEST_F(AtomicFile, ATargetThatIsADirectoryIsNotReplaced) {
    const QString target = path("folder.cdf");
    ASSERT_TRUE(QDir().mkdir(target));
    ASSERT_TRUE(writePlain(target + "/inside", "keep"));
    EXPECT_EQ(writeFileAtomically(target, "bytes"), -1);
    EXPECT_TRUE(QFileInfo(target).isDir());
    EXPECT_EQ(readAll(target + "/inside"), "keep");
    EXPECT_EQ(entries(m_dir.path()), QStringList{"folder.cdf"});
}

TEST_F(AtomicFile, APathBelowARegularFileFails) {
    const QString file = path("plain");
    ASSERT_TRUE(writePlain(file, "plain"));
    EXPECT_EQ(writeFileAtomically(file + "/data.cdf", "bytes"), -1);
    EXPECT_EQ(readAll(file), "plain");
}

TEST_F(AtomicFile, AReadOnlyDirectoryKeepsTheOldFile) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permission bits do not stop root; the other failures cover this path";
    const QString target = path("data.cdf");
    ASSERT_TRUE(writePlain(target, "old"));
    ASSERT_TRUE(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    EXPECT_EQ(writeFileAtomically(target, "new"), -1);
    QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(readAll(target), "old");
    EXPECT_EQ(entries(m_dir.path()), QStringList{"data.cdf"});
}

TEST_F(AtomicFile, AFullDiskKeepsTheOldFileAndLeavesNoTemporaryFile) {
    const QString target = path("data.cdf");
    const QByteArray old(1000, 'o');
    ASSERT_TRUE(writePlain(target, old));
    {
        FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.active());
        EXPECT_EQ(writeFileAtomically(target, QByteArray(200000, 'n')), -1);
    }
    EXPECT_EQ(readAll(target), old);
    EXPECT_EQ(entries(m_dir.path()), QStringList{"data.cdf"});
}

TEST_F(AtomicFile, ChannelSaveFailuresReportFileCreationErrorAndKeepTheOldFile) {
    QByteArray image;
    ChannelDatabase db;
    ASSERT_EQ(generateChannelImage({.seed = 5, .programs = 400}, image, &db), 0);
    const QString target = path("channels.cdf");
    ASSERT_TRUE(writePlain(target, image));
    {
        FileSizeLimit limit(1024);
        ASSERT_TRUE(limit.active());
        EXPECT_EQ(writeChannelFile(db, target), -1);
    }
    EXPECT_EQ(readAll(target), image);
    EXPECT_EQ(entries(m_dir.path()), QStringList{"channels.cdf"});
    EXPECT_EQ(writeChannelFile(db, path("no-such-dir/channels.cdf")), -1);

    // After the failures the database is whole and saves normally.
    EXPECT_EQ(writeChannelFile(db, target), 0);
    ChannelDatabase reread;
    EXPECT_EQ(readChannelFile(reread, target), 0);
    EXPECT_EQ(reread.tvList.size(), db.tvList.size());
}
