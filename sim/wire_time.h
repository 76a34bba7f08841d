#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

// Time on the simulated serial line. The simulator runs on the monotonic clock; a byte at
// 115200 baud 8N1 takes ten bit times, about 86.8 microseconds.
namespace sim {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;
using Duration = std::chrono::nanoseconds;

constexpr std::int64_t lineBytesPerSecond = 115200 / 10;

// Time that `bytes` bytes take on the line (exact to the nanosecond, no accumulated rounding).
constexpr Duration lineTime(std::size_t bytes) {
    return Duration(std::int64_t(bytes) * 1'000'000'000 / lineBytesPerSecond);
}

} // namespace sim
