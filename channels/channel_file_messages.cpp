#include "channels/channel_file_messages.h"

#include "channels/channel_file_format.h"

QString channelReadResultText(int result) {
    switch (result) {
    case ChannelReadResult::ok:
        return {};
    case ChannelReadResult::cannotOpen:
        return QStringLiteral("Cannot open the file");
    case ChannelReadResult::cannotRead:
        return QStringLiteral("Cannot read the file...");
    case ChannelReadResult::invalidFormat:
        return QStringLiteral("Invalid CDF format...");
    default:
        return QStringLiteral("Loading failed...");
    }
}

QString channelWriteResultText(int result) {
    switch (result) {
    case ChannelWriteResult::ok:
        return {};
    case ChannelWriteResult::cannotCreate:
        return QStringLiteral("File creation error.");
    default:
        return QStringLiteral("DB error.");
    }
}
