#pragma once

#include <QString>

// Reads a grid cell's number the way the receiver's tools always have: leading blanks skipped,
// case ignored, "0x" followed by hexadecimal digits, otherwise a signed decimal number; reading
// stops at the first character that does not fit. -1 when no number can be read.
long long parsePidText(const QString& text);
