#include "link/upload_save.h"

#include "channels/atomic_file.h"
#include "channels/backup_file.h"
#include "channels/channel_file_check.h"
#include "link/frame_codec.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

int writeUploadFile(const QString& path, std::span<const std::uint8_t> bytes) {
    const QByteArrayView view(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    switch (replaceFileAtomically(path, view)) {
    case AtomicWriteOutcome::written:
        return 0;
    case AtomicWriteOutcome::cannotCreate:
        return -1;
    case AtomicWriteOutcome::writeFailed:
        break;
    }
    return -2;
}

UploadSaveResult saveUploadImage(std::span<const std::uint8_t> image, const QString& path,
                                 const UploadFileWriter& writer) {
    if (checkChannelImage(image.data(), qsizetype(image.size())) != 0)
        return uploadInvalidFormat;
    // The check has found "END" inside `image`, so header and body lie within it.
    const std::size_t fileSize = 14 + std::size_t(wire::readU32(image.data() + 10));
    const std::span<const std::uint8_t> file = image.first(fileSize);
    // The file being replaced is often one the user edited: it is kept as a numbered backup,
    // as an editor's save keeps it, and no earlier backup is overwritten. A folder in the way
    // is no file to keep; the writer reports it.
    const QByteArrayView bytes(reinterpret_cast<const char*>(file.data()), qsizetype(file.size()));
    switch (QFileInfo(path).isDir() ? 1 : BackupFile::keepPrevious(path, bytes)) {
    case -1:
        return uploadOldFileUnreadable;
    case -2:
        return uploadBackupFailed;
    default:
        break;
    }
    switch (writer(path, file)) {
    case 0:
        return uploadSaved;
    case -1:
        return uploadCannotCreate;
    default:
        return uploadWriteFailed;
    }
}

QString uploadSaveMessage(UploadSaveResult result, const QString& path) {
    switch (result) {
    case uploadOldFileUnreadable:
        return BackupFile::failureMessage(-1, path);
    case uploadBackupFailed:
        return BackupFile::failureMessage(-2, path);
    case uploadSaved:
        return {};
    case uploadInvalidFormat:
        return QStringLiteral("Invalid CDF format...");
    case uploadCannotCreate:
        return QStringLiteral("Cannot create a file...");
    case uploadWriteFailed:
        break;
    }
    return QStringLiteral("Cannot write the file...");
}

namespace {

// Whether a file can be made in `folder`, asked of the file system as the save will: a folder's
// permission bits are not the answer everywhere (Windows marks customized folders such as
// Documents read-only, which does not stop anyone creating files in them, and keeps the real
// permissions in access lists).
bool fileCanBeMadeIn(const QString& folder) {
    if (!QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".rx7700-XXXXXX")));
    return probe.open();
}

// The file the save writes: QSaveFile follows symbolic links (also one whose file does not
// exist yet) and makes its temporary file beside the file they name.
QString fileSavedFor(const QString& path) {
    QFileInfo file(path);
    int depth = 128;
    while (--depth > 0 && file.isSymLink())
        file.setFile(file.symLinkTarget());
    return depth > 0 ? file.absoluteFilePath() : QFileInfo(path).absoluteFilePath();
}

} // namespace

bool uploadPathWritable(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo target(path);
    // The save refuses to replace a file it may not write (a read-only file), and reads the
    // old file first to keep it as a backup.
    if (target.exists() && (!target.isFile() || !target.isWritable() || !target.isReadable()))
        return false;
    // The new file goes where a symbolic link points; the backup of an existing file goes
    // beside the name the user gave.
    const QString savedFolder = QFileInfo(fileSavedFor(path)).absolutePath();
    if (!fileCanBeMadeIn(savedFolder))
        return false;
    return !target.exists() || savedFolder == target.absolutePath() ||
           fileCanBeMadeIn(target.absolutePath());
}
