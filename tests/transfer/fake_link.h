#pragma once

#include "link/frame_codec.h"
#include "link/transfer_link.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// A link that records every port operation and every byte written. Only the ports in
// `availablePorts` open. Like the serial link it keeps the last item sent, so that it can be
// sent again.
class FakeLink : public TransferLink {
public:
    std::set<int> availablePorts{1, 2, 3, 4};
    std::vector<int> openAttempts;
    int openPortNumber = 0; // 0 while closed
    int closeCount = 0;
    std::vector<Bytes> writes;
    int resendCount = 0;
    bool lineDown = false; // the port reports a hang-up while open

    bool openPort(int portNumber) override {
        openAttempts.push_back(portNumber);
        openPortNumber = 0;
        if (availablePorts.count(portNumber) == 0)
            return false;
        openPortNumber = portNumber;
        return true;
    }
    void closePort() override {
        ++closeCount;
        openPortNumber = 0;
    }
    bool isPortOpen() const override { return openPortNumber != 0; }
    bool isLineDown() const override { return openPortNumber != 0 && lineDown; }

    void sendFrame(std::uint8_t code, std::span<const std::uint8_t> payload) override {
        transmit_ = wire::encodeFrame(code, payload);
        writes.push_back(transmit_);
    }
    int resendFrame(std::uint8_t expectedCode) override {
        if (transmit_.empty() || transmit_[0] != wire::frameStart)
            return -1;
        if (transmit_.size() < 5 || transmit_[3] != expectedCode)
            return -2;
        if (!wire::isValidFrame(transmit_))
            return -3;
        writes.push_back(transmit_);
        ++resendCount;
        return 0;
    }
    void sendRaw(std::span<const std::uint8_t> bytes) override {
        transmit_.assign(bytes.begin(), bytes.end());
        writes.push_back(transmit_);
    }
    void resendRaw() override {
        writes.push_back(transmit_);
        ++resendCount;
    }

    const Bytes& lastWrite() const { return writes.back(); }

private:
    Bytes transmit_;
};

// A payload made of a little-endian 16-bit block number followed by `data`.
inline Bytes numbered(int number, const Bytes& data = {}) {
    Bytes payload(2 + data.size());
    wire::putU16(payload.data(), std::uint16_t(number));
    std::copy(data.begin(), data.end(), payload.begin() + 2);
    return payload;
}

inline Bytes frameBytes(std::uint8_t code, const Bytes& payload = {}) {
    return wire::encodeFrame(code, payload);
}
