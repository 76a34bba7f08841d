#pragma once

#include <cstdint>
#include <span>

// What the transfer state machine needs of the link: the COM port and the sending half of
// the wire protocol. The serial implementation keeps the last frame or boot item in its
// transmit buffer, so that it can be written again unchanged.
class TransferLink {
public:
    virtual ~TransferLink() = default;

    // Closes the port if open, then opens COM`portNumber` (1 to 4) at 115200 baud, 8N1, no
    // flow control. False when it cannot be opened.
    virtual bool openPort(int portNumber) = 0;
    virtual void closePort() = 0;
    virtual bool isPortOpen() const = 0;
    // True once the open port has reported the line gone (adapter unplugged, far end closed).
    virtual bool isLineDown() const { return false; }

    // Builds the frame in the transmit buffer and writes it.
    virtual void sendFrame(std::uint8_t code, std::span<const std::uint8_t> payload) = 0;
    // Writes the frame still in the transmit buffer again if it carries `expectedCode` and is
    // intact: 0 when written, -1 wrong start byte, -2 wrong code, -3 wrong checksum.
    virtual int resendFrame(std::uint8_t expectedCode) = 0;
    // Boot-loader mode: single bytes (echo, go-ahead), the boot header, boot blocks.
    virtual void sendRaw(std::span<const std::uint8_t> bytes) = 0;
    // Writes the last raw item (a boot block) again unchanged.
    virtual void resendRaw() = 0;
};
