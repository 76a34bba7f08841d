#pragma once

#include "channels/name_charsets.h"

#include <QString>

#include <array>
#include <optional>

// How the compiled-in name tables are made from the platform's decoder (QStringDecoder, backed
// by ICU here). Used by name_table_generator to write name_charset_tables.cpp and by the test
// that proves the committed tables still match what the decoder says.

// The table of one set: each byte decoded alone; a byte the decoder does not know, or that
// would stand for the same character as an earlier byte, gets undefinedByteCharacter(byte).
// Nothing when the decoder does not know the set at all.
std::optional<std::array<char16_t, 256>> deriveNameTable(NameCharset charset);

// The whole source file name_charset_tables.cpp; empty when a set cannot be decoded here.
QString nameTablesSource();
