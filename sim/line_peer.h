#pragma once

#include "sim/wire_time.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace sim {

// The PC's end of a simulated line for tests and benchmarks: opens a link path like a serial
// port (raw mode, no controlling terminal) and sends and reads plain bytes.
class LinePeer {
public:
    static std::unique_ptr<LinePeer> open(const std::string& path, std::string& error);
    ~LinePeer();
    LinePeer(const LinePeer&) = delete;
    LinePeer& operator=(const LinePeer&) = delete;

    bool send(std::span<const std::uint8_t> bytes);
    bool send(std::initializer_list<std::uint8_t> bytes) {
        return send(std::span<const std::uint8_t>(bytes.begin(), bytes.size()));
    }

    // Reads until `count` bytes are in or `timeout` has passed; returns what arrived. The
    // arrival times of the first and the last byte are kept for timing checks.
    std::vector<std::uint8_t> read(std::size_t count, std::chrono::milliseconds timeout);
    // Everything that arrives until the line has been quiet for `quiet`.
    std::vector<std::uint8_t> readUntilQuiet(std::chrono::milliseconds quiet);
    // Discards whatever is waiting.
    void drain();

    TimePoint firstByteAt() const { return firstByteAt_; }
    TimePoint lastByteAt() const { return lastByteAt_; }
    int fd() const { return fd_; }

private:
    explicit LinePeer(int fd) : fd_(fd) {}
    int fd_;
    TimePoint firstByteAt_{};
    TimePoint lastByteAt_{};
};

} // namespace sim
