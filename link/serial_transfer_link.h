#pragma once

#include "link/frame_codec.h"
#include "link/serial_port.h"
#include "link/transfer_link.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// The sending half of the wire protocol on a real serial port. Owns the SerialPort (whose
// reader wake-up channel it creates at once) and the 1031-byte transmit buffer, which always
// holds the last frame or boot item written, so that it can be written again unchanged.
// Runs on the window thread; the reader thread only uses port() through a FrameReader.
class SerialTransferLink : public TransferLink {
public:
    SerialTransferLink();
    explicit SerialTransferLink(SerialPort::DeviceLocator locator);
    ~SerialTransferLink() override;

    bool openPort(int portNumber) override;
    void closePort() override;
    bool isPortOpen() const override;
    bool isLineDown() const override;

    void sendFrame(std::uint8_t code, std::span<const std::uint8_t> payload) override;
    int resendFrame(std::uint8_t expectedCode) override;
    void sendRaw(std::span<const std::uint8_t> bytes) override;
    void resendRaw() override;

    SerialPort& port() { return port_; }
    // The item last written (frame or raw), as it stands in the transmit buffer.
    std::span<const std::uint8_t> lastSent() const {
        return std::span(transmit_.data(), lastSentSize_);
    }

private:
    void writeTransmitBuffer(std::size_t count);

    SerialPort port_;
    std::array<std::uint8_t, wire::maxFrameSize> transmit_{};
    std::size_t lastSentSize_ = 0;
};
