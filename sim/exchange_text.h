#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace sim {

// "A5 02 00 11 12": bytes in hex, 32 to a line; continuation lines start with `indent`.
std::string hexBytes(std::span<const std::uint8_t> bytes, const std::string& indent);

// The name of a frame code ("CMD_PROBE", "RSP_IDENT", ...), or "code 0xNN" when unknown.
std::string frameName(std::uint8_t code);

// The name of a boot-loader byte the receiver sends ("BL_NEXT", ...).
std::string bootByteName(std::uint8_t byte);

} // namespace sim
