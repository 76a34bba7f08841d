#include "link/upload_save.h"

#include "channels/channel_file_check.h"
#include "link/frame_codec.h"

#include <QSaveFile>

int writeUploadFile(const QString& path, std::span<const std::uint8_t> bytes) {
    if (path.isEmpty())
        return -1;
    QSaveFile file(path);
    // Never fall back to writing the target in place: a failed write must leave it intact.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    const auto size = qint64(bytes.size());
    // A write that stops part-way (disk full, size limit) is only seen by an explicit flush:
    // commit() would otherwise put the truncated file in place and report success.
    if (file.write(reinterpret_cast<const char*>(bytes.data()), size) != size || !file.flush() ||
        file.size() != size) {
        file.cancelWriting();
        return -2;
    }
    return file.commit() ? 0 : -2;
}

UploadSaveResult saveUploadImage(std::span<const std::uint8_t> image, const QString& path,
                                 const UploadFileWriter& writer) {
    if (checkChannelImage(image.data(), qsizetype(image.size())) != 0)
        return uploadInvalidFormat;
    // The check has found "END" inside `image`, so header and body lie within it.
    const std::size_t fileSize = 14 + std::size_t(wire::readU32(image.data() + 10));
    switch (writer(path, image.first(fileSize))) {
    case 0:
        return uploadSaved;
    case -1:
        return uploadCannotCreate;
    default:
        return uploadWriteFailed;
    }
}

QString uploadSaveMessage(UploadSaveResult result) {
    switch (result) {
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
