#pragma once

#include <QString>

#include <optional>

// Reads a number typed into a grid cell: "0x" followed by hexadecimal digits, or a decimal
// number with an optional sign, case ignored and blanks around it allowed. The whole text must
// be that one number: "12abc", "0x1g" or "*" are not read as anything (nullopt), so that a slip
// of the keyboard is refused rather than stored as another value. An empty text (or blanks
// only) gives -1, the value the cells take as "none".
std::optional<long long> parsePidText(const QString& text);
