#include "channels/channel_file_check.h"

#include <QIODevice>

#include <cstdint>
#include <cstring>

namespace {
constexpr qint64 headerSize = 14;

std::uint32_t bodyLengthField(const unsigned char* header) {
    return std::uint32_t(header[10]) | std::uint32_t(header[11]) << 8 |
           std::uint32_t(header[12]) << 16 | std::uint32_t(header[13]) << 24;
}
} // namespace

ChannelFileCheckResult checkChannelFile(QIODevice& file) {
    const qint64 size = file.size();
    unsigned char header[headerSize];
    if (!file.seek(0) || file.read(reinterpret_cast<char*>(header), headerSize) != headerSize)
        return ChannelFileCheckResult::unreadable;
    if (std::memcmp(header, "CDF", 3) != 0 || qint64(bodyLengthField(header)) + headerSize != size)
        return ChannelFileCheckResult::badHeader;
    char trailer[3];
    if (!file.seek(size - 3) || file.read(trailer, 3) != 3)
        return ChannelFileCheckResult::unreadable;
    return std::memcmp(trailer, "END", 3) == 0 ? ChannelFileCheckResult::ok
                                               : ChannelFileCheckResult::missingEndMark;
}

ChannelFileCheckResult checkChannelBytes(QByteArrayView bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const qint64 size = bytes.size();
    if (size < headerSize)
        return ChannelFileCheckResult::unreadable;
    if (std::memcmp(data, "CDF", 3) != 0 || qint64(bodyLengthField(data)) + headerSize != size)
        return ChannelFileCheckResult::badHeader;
    return std::memcmp(data + size - 3, "END", 3) == 0 ? ChannelFileCheckResult::ok
                                                       : ChannelFileCheckResult::missingEndMark;
}

int checkChannelImage(const unsigned char* image, qsizetype size) {
    if (size < headerSize || std::memcmp(image, "CDF", 3) != 0)
        return -1;
    const qint64 endMark = qint64(bodyLengthField(image)) + 11;
    if (endMark + 3 > size || std::memcmp(image + endMark, "END", 3) != 0)
        return -1;
    return 0;
}

int checkChannelImage(QByteArrayView image) {
    return checkChannelImage(reinterpret_cast<const unsigned char*>(image.data()), image.size());
}
