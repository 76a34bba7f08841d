#include "link/upload_save.h"

#include "channels/atomic_file.h"
#include "channels/channel_file_check.h"
#include "link/frame_codec.h"

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
