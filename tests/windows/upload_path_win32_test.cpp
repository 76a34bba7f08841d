// Where an upload may be saved, on Windows. The read-only mark of a folder (which Windows sets on
// customized folders such as Documents) does not stop files being created in it, so it must not
// stop an upload; a read-only file is one the save would refuse to replace. Either way the check
// before the transfer must promise exactly what the save then does.
//
// Wine ignores the mark when a program sets it on a folder but shows it on a folder without
// write permission; scripts/windows-test makes such a folder and names it in
// RX_TEST_READONLY_FOLDER.
#include "link/upload_save.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <windows.h>

namespace {

std::wstring native(const QString& path) {
    return QDir::toNativeSeparators(path).toStdWString();
}

bool isReadOnly(const QString& path) {
    const DWORD attributes = ::GetFileAttributesW(native(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

void setReadOnly(const QString& path, bool readOnly) {
    const DWORD attributes = ::GetFileAttributesW(native(path).c_str());
    ::SetFileAttributesW(native(path).c_str(), readOnly ? attributes | FILE_ATTRIBUTE_READONLY
                                                        : attributes & ~FILE_ATTRIBUTE_READONLY);
}

const std::uint8_t bytes[] = {'C', 'D', 'F'};

} // namespace

TEST(UploadPathWin32, AReadOnlyFolderIsCheckedAsTheSaveFindsIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString folder = dir.filePath(QStringLiteral("Documents"));
    ASSERT_TRUE(QDir().mkdir(folder));
    setReadOnly(folder, true);
    if (!isReadOnly(folder))
        folder = qEnvironmentVariable("RX_TEST_READONLY_FOLDER");
    if (folder.isEmpty() || !isReadOnly(folder))
        GTEST_SKIP() << "no folder marked read-only (set RX_TEST_READONLY_FOLDER under Wine)";
    const QString path = folder + QStringLiteral("/channels-%1.cdf").arg(::GetCurrentProcessId());

    const bool promised = uploadPathWritable(path);
    EXPECT_EQ(writeUploadFile(path, bytes) == 0, promised);
    EXPECT_TRUE(QFile::exists(path) == promised);
    QFile::remove(path);
    setReadOnly(dir.filePath(QStringLiteral("Documents")), false);
}

TEST(UploadPathWin32, AReadOnlyFileIsRefusedBeforeTheTransfer) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("channels.cdf"));
    ASSERT_EQ(writeUploadFile(path, bytes), 0);
    EXPECT_TRUE(uploadPathWritable(path));
    setReadOnly(path, true);
    ASSERT_TRUE(isReadOnly(path));
    EXPECT_FALSE(uploadPathWritable(path));
    EXPECT_NE(writeUploadFile(path, bytes), 0); // the save refuses it too
    setReadOnly(path, false);
}
