#include "link/channel_download_check.h"

#include "channels/channel_database.h"
#include "channels/channel_file_messages.h"
#include "channels/channel_file_reader.h"
#include "link/upload_buffer.h"

namespace {
// Block numbers travel as 16 bits, blocks carry 1024 bytes.
constexpr std::uint64_t maxDownloadBody = 0x10000ull * 1024;
} // namespace

QString channelDownloadRefusal(std::span<const std::uint8_t> file) {
    if (file.size() >= UploadBuffer::headerSize &&
        file.size() - UploadBuffer::headerSize > maxDownloadBody)
        return QStringLiteral("The channel data is too large to download...");
    ChannelDatabase database;
    const int result =
        readChannelImage(database, QByteArrayView(reinterpret_cast<const char*>(file.data()),
                                                  qsizetype(file.size())));
    return channelReadResultText(result);
}
