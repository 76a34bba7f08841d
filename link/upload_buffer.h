#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The date and time stamped into a Channel Data File header (year minus 2000).
struct CdfTimestamp {
    std::uint8_t day = 0;
    std::uint8_t month = 0;
    std::uint8_t year = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;

    friend bool operator==(const CdfTimestamp&, const CdfTimestamp&) = default;
};

// Receives a channel data upload: the 14-byte Channel Data File header followed by the body,
// 1 MiB in all. Nothing is ever written past the announced body or the buffer.
class UploadBuffer {
public:
    static constexpr std::size_t capacity = 1048576;
    static constexpr std::size_t headerSize = 14;
    static constexpr std::uint32_t maxBodyLength = capacity - headerSize; // 1,048,562

    static bool fits(std::uint32_t bodyLength) { return bodyLength <= maxBodyLength; }

    UploadBuffer();

    // Writes "CDF", layout, flags, timestamp and body length at the start. Requires
    // fits(bodyLength).
    void writeHeader(std::uint8_t layout, std::uint8_t headerFlags, const CdfTimestamp& saved,
                     std::uint32_t bodyLength);

    // Copies `data` to body offset `offset`, clipped to the announced body length. Returns the
    // number of bytes stored.
    std::size_t storeBody(std::size_t offset, std::span<const std::uint8_t> data);

    std::uint32_t bodyLength() const { return bodyLength_; }
    // The file received so far: header and the announced body.
    std::span<const std::uint8_t> image() const;

private:
    std::vector<std::uint8_t> bytes_;
    std::uint32_t bodyLength_ = 0;
};
