#pragma once

#include <QString>

#include <array>
#include <cstdint>

// The 8-byte identification shared by a firmware file's identification block and the
// receiver's identification reply: bytes 0-3 an opaque identification word, bytes 4-6 the
// version digits, byte 7 unused.
struct IdentificationRecord {
    std::array<std::uint8_t, 8> bytes{};

    std::uint8_t digit(int index) const { return bytes[4 + index]; }
    bool hasKnownVersion() const { return digit(0) <= 9 && digit(1) <= 9 && digit(2) <= 9; }
    // "3.10" for digits 3, 1, 0; "[unknown]" when any digit is above 9.
    QString versionText() const;

    static IdentificationRecord fromBytes(const void* data);

    friend bool operator==(const IdentificationRecord&, const IdentificationRecord&) = default;
};
