#pragma once

#include "sim/wire_time.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace sim {

// Puts bytes on the line no faster than a real 115200 baud line would deliver them. Every byte
// has an absolute due time (the moment its stop bit would end), so late wake-ups never add up;
// bytes are handed out in small chunks to keep wake-ups few. Unpaced, everything is due at once.
class PacedWriter {
public:
    // Returns the number of bytes the line took, or -1 when it took none.
    using WriteFunction = std::function<long(std::span<const std::uint8_t>)>;

    // About one millisecond of line time: the grain of a USB serial adapter.
    static constexpr std::size_t defaultChunkBytes = 11;

    explicit PacedWriter(bool paced, std::size_t chunkBytes = defaultChunkBytes)
        : paced_(paced), chunkBytes_(chunkBytes == 0 ? 1 : chunkBytes) {}

    void enqueue(std::vector<std::uint8_t> bytes, TimePoint notBefore);
    // When the next chunk falls due; empty when nothing waits.
    std::optional<TimePoint> nextDeadline() const;
    // Writes every byte that is due at `now`. Bytes the line does not take are lost, as they
    // would be on a real line with nobody listening.
    void pump(TimePoint now, const WriteFunction& write);
    bool idle() const { return queue_.empty(); }
    void clear() { queue_.clear(); }

    std::uint64_t bytesWritten() const { return written_; }
    std::uint64_t bytesLost() const { return lost_; }

private:
    struct Pending {
        std::vector<std::uint8_t> bytes;
        TimePoint start; // the line starts sending byte 0
        std::size_t sent = 0;
    };
    std::size_t dueCount(const Pending& item, TimePoint now) const;

    bool paced_;
    std::size_t chunkBytes_;
    std::deque<Pending> queue_;
    TimePoint lineFreeAt_{};
    std::uint64_t written_ = 0;
    std::uint64_t lost_ = 0;
};

} // namespace sim
