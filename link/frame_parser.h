#pragma once

#include "link/frame_codec.h"
#include "link/received_frame.h"
#include "link/transfer_flags.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Turns the bytes coming from the receiver into frames and boot-loader bytes.
//
// Works on memory only: bytes go in with the time they were read, complete items come out
// through the consumer. The transfer state chosen when an item's first byte is examined
// decides how it is parsed: framed mode above 0, boot-loader mode at 0 and below; while
// receiving is paused, first bytes are dropped.
//
// Framed mode: 0xA5, a 16-bit length L within 10 ms, then L bytes (code, payload, checksum)
// within floor(L / 10) + 100 ms; L outside 2 to 1028 or a wrong checksum drops the frame.
// Boot-loader mode: BL_HELLO needs 0x08 within 10 ms (any other byte is dropped with it),
// BL_INFO needs 8 bytes within 80 ms, 0x08 to 0x0B stand alone, anything else is dropped.
// A reply of the application firmware still arriving after the switch to boot-loader mode
// (a probe answered just before START) is read as the frame it is and dropped whole: its
// length byte or a digit 8 must not pass for a boot-loader byte. A 0xA5 there that turns out
// to begin no frame (impossible length, wrong checksum, too slow) is dropped alone and the
// bytes after it are examined again as boot-loader bytes.
// An item whose deadline has passed is dropped, and the late byte is examined afresh.
class FrameParser {
public:
    using Clock = std::chrono::steady_clock;

    FrameParser(const TransferFlags& flags, FrameConsumer consumer);

    // Examines `bytes`, all read at `now`, handing on each item as soon as it is complete.
    void feed(std::span<const std::uint8_t> bytes, Clock::time_point now);
    // Drops the unfinished item if its deadline has passed by `now`.
    void expire(Clock::time_point now);

    // True while no item is begun.
    bool idle() const { return pending_ == Pending::none; }
    // Bytes the unfinished item still needs at the least (0 when idle).
    std::size_t bytesStillNeeded() const;
    // When the unfinished item is dropped unless completed; nullopt when idle.
    std::optional<Clock::time_point> deadline() const;

    static constexpr std::chrono::milliseconds lengthTimeout{10};
    static constexpr std::chrono::milliseconds helloTimeout{10};
    static constexpr std::chrono::milliseconds infoTimeout{80};
    static std::chrono::milliseconds bodyTimeout(std::size_t length);

private:
    enum class Pending { none, frameLength, frameBody, helloFollower, bootInfo };

    void begin(std::uint8_t byte, Clock::time_point now);
    void beginBoot(std::uint8_t byte, Clock::time_point now);
    void continueItem(std::uint8_t byte, Clock::time_point now);
    void deliver(std::uint8_t code, std::span<const std::uint8_t> payload, bool bootLoader);
    void wait(Pending what, std::size_t count, std::chrono::milliseconds timeout,
              Clock::time_point now);
    // Examines again, as boot-loader bytes, what followed a 0xA5 that began no frame.
    void reexamine(std::span<const std::uint8_t> first, std::span<const std::uint8_t> rest,
                   Clock::time_point now);

    const TransferFlags& flags_;
    FrameConsumer consumer_;
    Pending pending_ = Pending::none;
    std::uint8_t firstByte_ = 0;
    bool frameInBootMode_ = false; // the frame under way began in boot-loader mode
    std::array<std::uint8_t, 2> lengthBytes_{};
    std::size_t needed_ = 0; // bytes the current step waits for
    std::size_t have_ = 0;
    Clock::time_point stepStart_;
    std::chrono::milliseconds stepTimeout_{0};
    // The receive buffer: a frame's length, then its code, payload and checksum, or the
    // identification record after BL_INFO.
    std::array<std::uint8_t, wire::maxReceivedFrameLength> buffer_{};
};
