#include "link/serial_transfer_link.h"

#include <algorithm>

SerialTransferLink::SerialTransferLink() {
    port_.CreateEvents();
}

SerialTransferLink::SerialTransferLink(SerialPort::DeviceLocator locator)
    : port_(std::move(locator)) {
    port_.CreateEvents();
}

SerialTransferLink::~SerialTransferLink() {
    port_.DestroyEvents();
}

bool SerialTransferLink::openPort(int portNumber) {
    if (port_.isOpen())
        port_.Close();
    port_.settings = PortSettings{};
    port_.settings.portNumber = std::uint8_t(std::clamp(portNumber, 0, 255));
    return port_.Open() != 0;
}

void SerialTransferLink::closePort() {
    port_.Close();
}

bool SerialTransferLink::isPortOpen() const {
    return port_.isOpen();
}

bool SerialTransferLink::isLineDown() const {
    return port_.isOpen() && port_.isLineDown();
}

void SerialTransferLink::sendFrame(std::uint8_t code, std::span<const std::uint8_t> payload) {
    // Longer payloads cannot be framed; the state machine never builds one.
    if (payload.size() + 5 > transmit_.size())
        return;
    writeTransmitBuffer(wire::encodeFrame(transmit_, code, payload));
}

int SerialTransferLink::resendFrame(std::uint8_t expectedCode) {
    if (transmit_[0] != wire::frameStart)
        return -1;
    if (transmit_[3] != expectedCode)
        return -2;
    const std::size_t length = wire::readU16(transmit_.data() + 1);
    if (length < wire::minFrameLength || length + 3 > transmit_.size() ||
        !wire::isValidFrame(std::span(transmit_.data(), length + 3)))
        return -3;
    writeTransmitBuffer(length + 3);
    return 0;
}

void SerialTransferLink::sendRaw(std::span<const std::uint8_t> bytes) {
    const std::size_t count = std::min(bytes.size(), transmit_.size());
    std::copy_n(bytes.begin(), count, transmit_.begin());
    writeTransmitBuffer(count);
}

void SerialTransferLink::resendRaw() {
    if (lastSentSize_ > 0)
        writeTransmitBuffer(lastSentSize_);
}

void SerialTransferLink::writeTransmitBuffer(std::size_t count) {
    lastSentSize_ = count;
    port_.Write(transmit_.data(), std::uint32_t(count));
}
