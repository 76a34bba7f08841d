#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace sim {

// The receiver's 8-byte identification: a 4-byte identification value, three version digits,
// one unused byte.
using Identification = std::array<std::uint8_t, 8>;

// The identification value this simulator reports ("RX77").
constexpr std::array<std::uint8_t, 4> simulatorIdentValue{0x52, 0x58, 0x37, 0x37};

Identification makeIdentification(std::uint8_t d1, std::uint8_t d2, std::uint8_t d3);

// Parses "D.DD" (for example "1.23"); nothing else is accepted.
std::optional<Identification> parseIdentVersion(std::string_view text);

// The identification block a firmware image carries at offset 21 (block length 9 or 13, tag
// "INTPR", identification value, version field). Empty when the image has none; a block of
// length 9 gives the version field FF FF FF FF.
std::optional<Identification> identificationInImage(std::span<const std::uint8_t> image);

} // namespace sim
