#include "link/transfer_files.h"

#include "channels/channel_file_check.h"
#include "firmware/firmware_check.h"

#include <QByteArray>
#include <QFile>

namespace {

TransferFileResult loadResultOf(LoadResult loaded) {
    return loaded == LoadResult::noBuffer ? TransferFileResult::noBuffer
                                          : TransferFileResult::unreadable;
}

} // namespace

TransferFileResult loadFirmwareForTransfer(const QString& path, LoadedFile& image,
                                           IdentificationRecord& ident) {
    QFile file;
    if (!openRegularFile(file, path))
        return TransferFileResult::cannotOpen;
    switch (checkFirmwareFile(file, ident)) {
    case FirmwareCheckResult::ok:
        break;
    case FirmwareCheckResult::invalid:
        return TransferFileResult::invalidFirmware;
    case FirmwareCheckResult::unreadable:
        return TransferFileResult::unreadable;
    }
    const LoadResult loaded = loadWholeFile(file, image);
    if (loaded != LoadResult::ok)
        return loadResultOf(loaded);
    IdentificationRecord imageIdent = ident;
    if (checkFirmwareBytes(image.bytes(), imageIdent) != FirmwareCheckResult::ok ||
        imageIdent != ident) {
        image = LoadedFile();
        return TransferFileResult::unreadable;
    }
    return TransferFileResult::ok;
}

TransferFileResult loadChannelsForTransfer(const QString& path, LoadedFile& file) {
    QFile source;
    if (!openRegularFile(source, path))
        return TransferFileResult::cannotOpen;
    switch (checkChannelFile(source)) {
    case ChannelFileCheckResult::ok:
        break;
    case ChannelFileCheckResult::unreadable:
        return TransferFileResult::unreadable;
    case ChannelFileCheckResult::badHeader:
    case ChannelFileCheckResult::missingEndMark:
        return TransferFileResult::invalidChannels;
    }
    const LoadResult loaded = loadWholeFile(source, file);
    if (loaded != LoadResult::ok)
        return loadResultOf(loaded);
    const auto bytes = file.bytes();
    if (checkChannelBytes(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                  qsizetype(bytes.size()))) !=
        ChannelFileCheckResult::ok) {
        file = LoadedFile();
        return TransferFileResult::unreadable;
    }
    return TransferFileResult::ok;
}

QString transferFileMessage(TransferFileResult result) {
    switch (result) {
    case TransferFileResult::cannotOpen:
        return QStringLiteral("Can't open the file");
    case TransferFileResult::unreadable:
        return QStringLiteral("Can't read the file");
    case TransferFileResult::invalidFirmware:
        return QStringLiteral("Invalid firmware file");
    case TransferFileResult::invalidChannels:
        return QStringLiteral("Invalid channel data file");
    case TransferFileResult::ok:
    case TransferFileResult::noBuffer:
        break;
    }
    return {};
}
