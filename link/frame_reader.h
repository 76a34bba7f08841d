#pragma once

#include "link/frame_parser.h"
#include "link/received_frame.h"
#include "link/serial_port.h"
#include "link/transfer_flags.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>

// The loop of the transfer window's reader thread: waits on the serial port, reads what has
// arrived and hands every complete frame or boot-loader byte, as a copy, to the consumer.
//
// It sleeps in the kernel while the line is idle and wakes as soon as a byte arrives. Inside
// a frame it first sleeps for most of the time the missing bytes take on the line, then
// catches the last ones as they come, so a 1031-byte frame costs a handful of wake-ups
// instead of one per byte and is still handed on well within a millisecond of its last
// byte. Deadlines of unfinished items are kept to the microsecond. Close, Open and wake()
// interrupt any wait.
//
//   std::atomic<bool> stop{false};
//   FrameReader reader(link.port(), flags, [](ReceivedFrame&& frame) { post(frame); });
//   reader thread:  reader.run(stop);
//   window thread:  stop = true; reader.wake();   (or close the port)  then join
class FrameReader {
public:
    FrameReader(SerialPort& port, const TransferFlags& flags, FrameConsumer consumer);

    // One step: waits at most `idleWait` (less when an unfinished item's deadline comes
    // sooner), reads what is queued and hands on what it completes.
    void pollOnce(std::chrono::microseconds idleWait = defaultIdleWait);
    // Runs pollOnce until `stop` is set; set it, then call wake().
    void run(const std::atomic<bool>& stop);
    // Any thread: makes the current or next wait return at once.
    void wake() { port_.WakeReader(); }

    static constexpr std::chrono::microseconds defaultIdleWait{250'000};
    // Below this, waiting for the rest of a frame is left to the device wait itself.
    static constexpr std::chrono::microseconds shortestCoalescingSleep{300};

private:
    std::chrono::microseconds timeLeftBeforeExpiry(FrameParser::Clock::time_point now,
                                                   std::chrono::microseconds idleWait) const;
    void readQueued();

    SerialPort& port_;
    FrameParser parser_;
    std::array<std::uint8_t, 4096> chunk_{};
};
