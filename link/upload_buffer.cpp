#include "link/upload_buffer.h"

#include "link/frame_codec.h"

#include <algorithm>

UploadBuffer::UploadBuffer() : bytes_(capacity, 0) {}

void UploadBuffer::writeHeader(std::uint8_t layout, std::uint8_t headerFlags,
                               const CdfTimestamp& saved, std::uint32_t bodyLength) {
    bodyLength_ = std::min(bodyLength, maxBodyLength);
    std::uint8_t* header = bytes_.data();
    header[0] = 'C';
    header[1] = 'D';
    header[2] = 'F';
    header[3] = layout;
    header[4] = headerFlags;
    header[5] = saved.day;
    header[6] = saved.month;
    header[7] = saved.year;
    header[8] = saved.hour;
    header[9] = saved.minute;
    wire::putU32(header + 10, bodyLength_);
}

std::size_t UploadBuffer::storeBody(std::size_t offset, std::span<const std::uint8_t> data) {
    if (offset >= bodyLength_)
        return 0;
    const std::size_t count = std::min(data.size(), std::size_t(bodyLength_) - offset);
    std::copy_n(data.begin(), count, bytes_.begin() + std::ptrdiff_t(headerSize + offset));
    return count;
}

std::span<const std::uint8_t> UploadBuffer::image() const {
    return std::span(bytes_).first(headerSize + bodyLength_);
}
