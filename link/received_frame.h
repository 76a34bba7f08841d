#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// One complete item from the receiver, owned by whoever holds it: a frame of the application
// firmware (its code and payload, checksum already checked), or a boot-loader byte (with the
// 8-byte identification record after BL_INFO, otherwise no payload).
struct ReceivedFrame {
    std::uint8_t code = 0;
    std::vector<std::uint8_t> payload;
    bool fromBootLoader = false; // parsed in boot-loader mode: `code` is a BL_ byte

    bool operator==(const ReceivedFrame&) const = default;
};

// Takes each item as it is completed. Runs on the reader thread.
using FrameConsumer = std::function<void(ReceivedFrame&&)>;
