#include "firmware/firmware_check.h"

#include <QIODevice>

#include <cstring>

namespace {
constexpr qint64 identificationOffset = 21;
constexpr qint64 identificationReadSize = 14;
constexpr char imageTag[] = "INTPR";

// Checks the 14 bytes read from offset 21.
FirmwareCheckResult checkIdentificationBlock(const char* block, IdentificationRecord& ident) {
    // The tag is tested before the block length.
    if (std::memcmp(block + 1, imageTag, 5) != 0)
        return FirmwareCheckResult::invalid;

    const auto blockLength = static_cast<std::uint8_t>(block[0]);
    if (blockLength != 9 && blockLength != 13)
        return FirmwareCheckResult::invalid;

    IdentificationRecord record;
    std::memcpy(record.bytes.data(), block + 6, 4);
    if (blockLength == 13)
        std::memcpy(record.bytes.data() + 4, block + 10, 4);
    else
        std::memset(record.bytes.data() + 4, 0xFF, 4);
    ident = record;
    return FirmwareCheckResult::ok;
}
} // namespace

FirmwareCheckResult checkFirmwareFile(QIODevice& file, IdentificationRecord& ident) {
    char block[identificationReadSize];
    if (!file.seek(identificationOffset) ||
        file.read(block, identificationReadSize) != identificationReadSize)
        return FirmwareCheckResult::unreadable;
    return checkIdentificationBlock(block, ident);
}

FirmwareCheckResult checkFirmwareBytes(std::span<const std::uint8_t> bytes,
                                       IdentificationRecord& ident) {
    if (bytes.size() < std::size_t(identificationOffset + identificationReadSize))
        return FirmwareCheckResult::unreadable;
    return checkIdentificationBlock(
        reinterpret_cast<const char*>(bytes.data()) + identificationOffset, ident);
}
