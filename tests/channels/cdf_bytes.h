#pragma once

// Builds Channel Data File images byte by byte for tests.

#include <QByteArray>

#include <cstdint>
#include <initializer_list>

class CdfBytes {
public:
    CdfBytes& u8(std::uint8_t value) {
        m_body += char(value);
        return *this;
    }
    CdfBytes& u8s(std::initializer_list<std::uint8_t> values) {
        for (std::uint8_t value : values)
            u8(value);
        return *this;
    }
    CdfBytes& u16(std::uint16_t value) {
        return u8(std::uint8_t(value)).u8(std::uint8_t(value >> 8));
    }
    CdfBytes& u32(std::uint32_t value) {
        return u16(std::uint16_t(value)).u16(std::uint16_t(value >> 16));
    }
    CdfBytes& string(const QByteArray& text) {
        u8(std::uint8_t(text.size()));
        m_body += text;
        return *this;
    }
    // A program record: transponder position, service id, PCR, [video], teletext, flags,
    // favourite mask, PMT, [extra word], name, audio selection and tracks (pid, language).
    CdfBytes& program(std::uint16_t transponder, bool tvRecord, std::uint16_t videoPid,
                      std::uint8_t favoriteMask, const QByteArray& name,
                      std::initializer_list<std::uint16_t> audioPids = {}, bool extraWord = false) {
        u16(transponder).u16(0x0101).u16(0x0202);
        if (tvRecord)
            u16(videoPid);
        u16(0x0303).u8(0x00).u8(favoriteMask).u16(0x0404);
        if (extraWord)
            u16(0xBEEF);
        string(name).u8(0xFF).u8(std::uint8_t(audioPids.size()));
        std::uint8_t language = 0;
        for (std::uint16_t pid : audioPids)
            u16(pid).u8(language++);
        return *this;
    }
    // A transponder record on the satellite at `satellite`.
    CdfBytes& transponder(std::uint8_t satellite, std::uint32_t frequency) {
        return u8(satellite).u16(27500).u32(frequency).u8s({0xA0, 1, 3, 0});
    }
    // A layout-1 satellite record.
    CdfBytes& satellite1(const QByteArray& name, std::uint8_t lnbConfigIndex = 0) {
        return u8s({0x11, lnbConfigIndex, 0, 0}).string(name);
    }

    // The whole file: header with `layout` and `flags`, the body, "END"; the length field is
    // right unless `lengthAdjust` says otherwise.
    QByteArray file(std::uint8_t layout, std::uint8_t flags, int lengthAdjust = 0) const {
        QByteArray bytes("CDF", 3);
        bytes += char(layout);
        bytes += char(flags);
        bytes += QByteArray("\x07\x03\x19\x0c\x2d", 5);
        const std::uint32_t length = std::uint32_t(m_body.size() + 3 + lengthAdjust);
        for (int i = 0; i < 4; ++i)
            bytes += char(length >> (8 * i));
        return bytes + m_body + "END";
    }

    int size() const { return int(m_body.size()); }

private:
    QByteArray m_body;
};
