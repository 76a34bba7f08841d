#include "link/frame_codec.h"

#include <algorithm>
#include <cstring>

namespace wire {

std::uint8_t frameChecksum(std::uint8_t code, std::span<const std::uint8_t> payload) {
    unsigned sum = 1u + code;
    for (std::uint8_t byte : payload)
        sum += byte;
    return std::uint8_t(sum);
}

std::size_t encodeFrame(std::span<std::uint8_t> out, std::uint8_t code,
                        std::span<const std::uint8_t> payload) {
    const std::size_t n = payload.size();
    if (payload.data() != out.data() + 4 && n > 0)
        std::memmove(out.data() + 4, payload.data(), n);
    out[0] = frameStart;
    putU16(out.data() + 1, std::uint16_t(n + 2));
    out[3] = code;
    out[4 + n] = frameChecksum(code, out.subspan(4, n));
    return n + 5;
}

std::vector<std::uint8_t> encodeFrame(std::uint8_t code, std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> frame(payload.size() + 5);
    encodeFrame(frame, code, payload);
    return frame;
}

bool isValidFrame(std::span<const std::uint8_t> frame) {
    if (frame.size() < 5 || frame[0] != frameStart)
        return false;
    const std::size_t length = readU16(frame.data() + 1);
    if (length < minFrameLength || frame.size() != length + 3)
        return false;
    return frame.back() == frameChecksum(frame[3], frame.subspan(4, length - 2));
}

std::array<std::uint8_t, bootHeaderSize> bootHeader(std::uint32_t imageLength) {
    std::array<std::uint8_t, bootHeaderSize> header{};
    header[0] = 0x01;
    header[1] = 0x01;
    putU32(header.data() + 2, imageLength);
    header[20] = 0x09;
    return header;
}

std::uint8_t bootBlockChecksum(std::span<const std::uint8_t> data) {
    unsigned sum = 0;
    for (std::uint8_t byte : data)
        sum += byte;
    return std::uint8_t(sum);
}

std::array<std::uint8_t, bootBlockSize> bootBlock(std::span<const std::uint8_t> image, int block) {
    std::array<std::uint8_t, bootBlockSize> out;
    const std::size_t offset = std::size_t(block) * bootDataSize;
    const std::size_t count =
        offset < image.size() ? std::min(bootDataSize, image.size() - offset) : 0;
    std::copy_n(image.begin() + std::ptrdiff_t(offset), count, out.begin());
    std::fill(out.begin() + std::ptrdiff_t(count), out.begin() + std::ptrdiff_t(bootDataSize),
              0xFF);
    out[bootDataSize] = bootBlockChecksum(std::span(out).first(bootDataSize));
    return out;
}

} // namespace wire
