#pragma once

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <cstring>

// Little-endian writes into a buffer of fixed capacity. A write that does not fit writes
// nothing and leaves the writer failed for good; nothing is ever written past the capacity.
class ByteWriter {
public:
    explicit ByteWriter(qsizetype capacity)
        : m_buffer(capacity, Qt::Uninitialized),
          m_data(reinterpret_cast<std::uint8_t*>(m_buffer.data())) {}
    ByteWriter(const ByteWriter&) = delete;
    ByteWriter& operator=(const ByteWriter&) = delete;

    bool ok() const { return !m_failed; }
    qsizetype position() const { return m_position; }

    void u8(std::uint8_t value) {
        if (std::uint8_t* p = reserve(1))
            p[0] = value;
    }
    void u16(std::uint16_t value) {
        if (std::uint8_t* p = reserve(2)) {
            p[0] = std::uint8_t(value);
            p[1] = std::uint8_t(value >> 8);
        }
    }
    void i16(std::int16_t value) { u16(std::uint16_t(value)); }
    void u32(std::uint32_t value) {
        if (std::uint8_t* p = reserve(4)) {
            for (int i = 0; i < 4; ++i)
                p[i] = std::uint8_t(value >> (8 * i));
        }
    }
    void bytes(const char* data, qsizetype size) {
        if (size == 0)
            return;
        if (std::uint8_t* p = reserve(size))
            std::memcpy(p, data, std::size_t(size));
    }
    // A length byte followed by the text; text beyond 255 bytes is cut off.
    void string(const QByteArray& text) {
        const qsizetype length = std::min<qsizetype>(text.size(), 255);
        u8(std::uint8_t(length));
        bytes(text.constData(), length);
    }
    // Overwrites four bytes already written.
    void patchU32(qsizetype offset, std::uint32_t value) {
        if (offset < 0 || offset + 4 > m_position)
            return;
        std::uint8_t* p = m_data + offset;
        for (int i = 0; i < 4; ++i)
            p[i] = std::uint8_t(value >> (8 * i));
    }
    // The bytes written so far; the writer is spent afterwards.
    QByteArray take() {
        m_buffer.truncate(m_position);
        m_data = nullptr;
        m_failed = true;
        return std::move(m_buffer);
    }

private:
    std::uint8_t* reserve(qsizetype count) {
        if (m_failed || count > m_buffer.size() - m_position) {
            m_failed = true;
            return nullptr;
        }
        std::uint8_t* p = m_data + m_position;
        m_position += count;
        return p;
    }

    QByteArray m_buffer;
    std::uint8_t* m_data;
    qsizetype m_position = 0;
    bool m_failed = false;
};
