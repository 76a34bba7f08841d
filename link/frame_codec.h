#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Byte layout of the receiver link: frames (start byte, length, code, payload, checksum) and
// the boot loader's header and 1025-byte blocks. Pure functions, shared by the PC side and the
// receiver simulator.
namespace wire {

constexpr std::uint8_t frameStart = 0xA5;
// A frame's length field counts the code and the checksum: payload size + 2.
constexpr std::size_t minFrameLength = 2;
constexpr std::size_t maxReceivedFrameLength = 1028; // payload of at most 1026 bytes
constexpr std::size_t maxFrameSize = 1031;           // the largest frame the PC sends
constexpr std::size_t bootDataSize = 1024;
constexpr std::size_t bootBlockSize = bootDataSize + 1;
constexpr std::size_t bootHeaderSize = 21;
constexpr std::size_t bootAbortPayloadSize = 1020;

inline std::uint16_t readU16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}
inline std::uint32_t readU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
inline void putU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
inline void putU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}

// (1 + code + every payload byte) modulo 256.
std::uint8_t frameChecksum(std::uint8_t code, std::span<const std::uint8_t> payload);

// Writes the frame into `out` (at least payload.size() + 5 bytes) and returns its size.
// `payload` may alias out[4...] (the payload already placed in a transmit buffer).
std::size_t encodeFrame(std::span<std::uint8_t> out, std::uint8_t code,
                        std::span<const std::uint8_t> payload);
std::vector<std::uint8_t> encodeFrame(std::uint8_t code,
                                      std::span<const std::uint8_t> payload = {});

// True when `frame` is a whole, well-formed frame (start byte, length, checksum).
bool isValidFrame(std::span<const std::uint8_t> frame);

// The 21-byte boot header announcing an image of `imageLength` bytes.
std::array<std::uint8_t, bootHeaderSize> bootHeader(std::uint32_t imageLength);

// Boot block `block` (0-based) of `image`: 1024 data bytes, the last piece padded with 0xFF,
// then the sum of the 1024 bytes modulo 256. Requires block * 1024 < image.size().
std::array<std::uint8_t, bootBlockSize> bootBlock(std::span<const std::uint8_t> image, int block);
std::uint8_t bootBlockChecksum(std::span<const std::uint8_t> data);

// Number of boot blocks an image of `length` bytes travels in.
inline std::uint32_t bootBlockCount(std::uint32_t length) {
    return (length + std::uint32_t(bootDataSize) - 1) / std::uint32_t(bootDataSize);
}

} // namespace wire
