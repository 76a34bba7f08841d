#pragma once

#include "channels/name_charsets.h"

// For each offered set, in NameCharset order, the character each byte 0..255 stands for.
// Bytes the set leaves undefined stand for a private-use character of their own (U+F700 plus
// the byte), so every name, whatever bytes it holds, shows and is written back unchanged.
// Generated from the platform's decoder by name_table_generator (name_tables/); compiled in so
// that no platform needs a decoder for these sets at run time and all decode alike.
extern const char16_t nameCharsetTables[nameCharsetCount][256];

// The character standing for an undefined byte.
inline constexpr char16_t undefinedByteCharacter(unsigned char byte) {
    return char16_t(0xF700 + byte);
}
