#pragma once

#include <QByteArray>

#include <cstdint>

namespace sample {

// A firmware file: 21 leading bytes, the block length, the tag, the identification word
// 01 02 03 04 and `version` (the version field for block length 13), filled up or cut to
// `totalSize` bytes.
inline QByteArray firmwareFile(std::uint8_t blockLength, const QByteArray& version, int totalSize,
                               const QByteArray& tag = "INTPR") {
    QByteArray bytes(21, '\x5A');
    bytes += char(blockLength);
    bytes += tag;
    bytes += QByteArray("\x01\x02\x03\x04", 4);
    bytes += version;
    for (int i = int(bytes.size()); i < totalSize; ++i)
        bytes += char(i * 13);
    bytes.truncate(totalSize);
    return bytes;
}

// A Channel Data File around `body` (which should end in "END"), its length field off by
// `lengthAdjust`.
inline QByteArray channelFile(const QByteArray& body, qint64 lengthAdjust = 0) {
    QByteArray bytes("CDF\x01\x00\x06\x0c\x02\x0e\x05", 10);
    const auto length = quint32(body.size() + lengthAdjust);
    for (int i = 0; i < 4; ++i)
        bytes += char((length >> (8 * i)) & 0xFF);
    return bytes + body;
}

} // namespace sample
