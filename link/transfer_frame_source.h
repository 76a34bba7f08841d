#pragma once

#include <cstdint>
#include <functional>
#include <span>

// The receiving half of the link, as the transfer window's reader thread drives it. The
// serial implementation reads the port and parses framed or boot-loader input by the sign of
// the shared transfer state, dropping everything while the pause flag is set.
class TransferFrameSource {
public:
    // Called on the reader thread with one complete frame (its code and payload) or one boot
    // byte (as the code; the payload holds the 8 identification bytes of BL_INFO). The
    // payload is only valid during the call.
    using Deliver = std::function<void(std::uint8_t code, std::span<const std::uint8_t> payload)>;

    virtual ~TransferFrameSource() = default;

    // One step of the reader loop: reads what has arrived and delivers at most one frame or
    // boot byte. Sleeps about 10 ms when nothing is queued and returns promptly (within about
    // a second) once the port has been closed, so that the loop can see its stop flag.
    virtual void pollOnce(const Deliver& deliver) = 0;

    // Any thread: makes a poll that is waiting return at once (used to stop the reader).
    virtual void wake() {}
};
