#include "link/frame_reader.h"

#include <algorithm>

using namespace std::chrono_literals;

FrameReader::FrameReader(SerialPort& port, const TransferFlags& flags, FrameConsumer consumer)
    : port_(port), parser_(flags, std::move(consumer)) {}

void FrameReader::run(const std::atomic<bool>& stop) {
    while (!stop.load(std::memory_order_acquire))
        pollOnce();
}

std::chrono::microseconds
FrameReader::timeLeftBeforeExpiry(FrameParser::Clock::time_point now,
                                  std::chrono::microseconds idleWait) const {
    const auto deadline = parser_.deadline();
    if (!deadline)
        return idleWait;
    // Wake just after the deadline, when the unfinished item can be dropped.
    const auto left = std::chrono::ceil<std::chrono::microseconds>(*deadline - now) + 1us;
    return std::clamp(left, 0us, idleWait);
}

void FrameReader::pollOnce(std::chrono::microseconds idleWait) {
    auto now = FrameParser::Clock::now();
    parser_.expire(now);

    if (!parser_.idle() && port_.isOpen()) {
        // The rest of the item cannot arrive faster than the line carries it: sleep for most
        // of that time instead of waking for every byte, and catch the last few bytes as they
        // come, so a sender slightly slower than the line does not delay the hand-over.
        const std::size_t needed = parser_.bytesStillNeeded();
        const std::size_t caughtSingly = std::min<std::size_t>(needed, 2);
        const auto lineTime = std::chrono::duration_cast<std::chrono::microseconds>(
            port_.characterTime() * (needed - caughtSingly));
        const auto sleep = std::min(lineTime, timeLeftBeforeExpiry(now, idleWait));
        if (sleep >= shortestCoalescingSleep) {
            if (!port_.SleepUnlessWoken(sleep))
                return;
            now = FrameParser::Clock::now();
            parser_.expire(now);
        }
    }

    const auto result = port_.WaitForInput(timeLeftBeforeExpiry(now, idleWait));
    if (result == SerialPort::WaitResult::input)
        readQueued();
    else
        parser_.expire(FrameParser::Clock::now());
}

void FrameReader::readQueued() {
    const std::uint32_t count = port_.Read(chunk_.data(), std::uint32_t(chunk_.size()));
    if (count > 0)
        parser_.feed(std::span(chunk_.data(), count), FrameParser::Clock::now());
}
