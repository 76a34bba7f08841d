#pragma once

// Favourite membership as a program's bit mask: bit i is group i+1. With fewer than eight
// groups bit 7 is not a group but the receiver's "member of some group" flag, set exactly
// while a group bit is.

#include <QString>

#include <cstdint>

namespace FavoriteMask {

constexpr std::uint8_t anyGroupFlag = 0x80;

// The mask after the program joins group `group` (0-based) of `groupCount`.
std::uint8_t added(std::uint8_t mask, int group, int groupCount);

// The mask after the program leaves group `group` (0-based) of `groupCount`.
std::uint8_t removed(std::uint8_t mask, int group, int groupCount);

// The group numbers (1-based) of the mask, run together: groups 1 and 3 give "13".
QString text(std::uint8_t mask, int groupCount);

} // namespace FavoriteMask
