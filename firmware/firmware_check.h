#pragma once

#include "firmware/identification_record.h"

#include <cstdint>
#include <span>

class QIODevice;

enum class FirmwareCheckResult { ok, unreadable, invalid };

// Checks the identification block of a firmware file opened for reading. On ok, `ident`
// receives the file's identification record; otherwise it is left untouched. The caller
// closes the file.
FirmwareCheckResult checkFirmwareFile(QIODevice& file, IdentificationRecord& ident);

// The same check on a whole file already in memory.
FirmwareCheckResult checkFirmwareBytes(std::span<const std::uint8_t> bytes,
                                       IdentificationRecord& ident);

// What the main window lends to a firmware download: the image stays owned by the lender
// and unchanged until the transfer window has closed.
struct FirmwareImage {
    IdentificationRecord identification;
    std::span<const std::uint8_t> image;

    std::uint32_t imageLength() const { return static_cast<std::uint32_t>(image.size()); }
};
