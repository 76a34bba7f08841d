#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>

// Little-endian reads from a bounded span of memory. A read past the end yields zeros and
// leaves the reader failed for good, so a parser can read a whole record and test ok() once;
// nothing is ever read outside the span.
class ByteReader {
public:
    explicit ByteReader(QByteArrayView bytes)
        : m_data(reinterpret_cast<const std::uint8_t*>(bytes.data())), m_size(bytes.size()) {}

    bool ok() const { return !m_failed; }
    qsizetype position() const { return m_position; }
    qsizetype remaining() const { return m_failed ? 0 : m_size - m_position; }

    std::uint8_t u8() {
        if (!take(1))
            return 0;
        return m_data[m_position - 1];
    }
    std::uint16_t u16() {
        if (!take(2))
            return 0;
        const std::uint8_t* p = m_data + m_position - 2;
        return std::uint16_t(p[0] | p[1] << 8);
    }
    std::int16_t i16() { return std::int16_t(u16()); }
    std::uint32_t u32() {
        if (!take(4))
            return 0;
        const std::uint8_t* p = m_data + m_position - 4;
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
               std::uint32_t(p[3]) << 24;
    }
    // A length byte followed by that many bytes.
    QByteArray string() {
        const std::uint8_t length = u8();
        if (length == 0 || !take(length))
            return {};
        return QByteArray(reinterpret_cast<const char*>(m_data + m_position - length), length);
    }
    // True when `count` records of at least `minimumSize` bytes each can still follow.
    bool canHold(std::uint32_t count, qsizetype minimumSize) const {
        return !m_failed && qsizetype(count) * minimumSize <= m_size - m_position;
    }

private:
    bool take(qsizetype count) {
        if (m_failed || count > m_size - m_position) {
            m_failed = true;
            return false;
        }
        m_position += count;
        return true;
    }

    const std::uint8_t* m_data;
    qsizetype m_size;
    qsizetype m_position = 0;
    bool m_failed = false;
};
