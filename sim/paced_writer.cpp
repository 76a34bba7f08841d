#include "sim/paced_writer.h"

#include <algorithm>

namespace sim {

void PacedWriter::enqueue(std::vector<std::uint8_t> bytes, TimePoint notBefore) {
    if (bytes.empty())
        return;
    const TimePoint start = paced_ ? std::max(notBefore, lineFreeAt_) : notBefore;
    if (paced_)
        lineFreeAt_ = start + lineTime(bytes.size());
    queue_.push_back(Pending{std::move(bytes), start, 0});
}

std::size_t PacedWriter::dueCount(const Pending& item, TimePoint now) const {
    if (now < item.start)
        return 0;
    if (!paced_)
        return item.bytes.size();
    const Duration elapsed = std::chrono::duration_cast<Duration>(now - item.start);
    // The largest count whose line time has passed; lineTime rounds down, so the estimate
    // from the rate may fall one short.
    std::size_t complete = std::size_t(elapsed.count() * lineBytesPerSecond / 1'000'000'000);
    while (complete < item.bytes.size() && lineTime(complete + 1) <= elapsed)
        ++complete;
    return std::min(complete, item.bytes.size());
}

std::optional<TimePoint> PacedWriter::nextDeadline() const {
    if (queue_.empty())
        return std::nullopt;
    const Pending& head = queue_.front();
    if (!paced_)
        return head.start;
    const std::size_t chunkEnd = std::min(head.sent + chunkBytes_, head.bytes.size());
    return head.start + lineTime(chunkEnd);
}

void PacedWriter::pump(TimePoint now, const WriteFunction& write) {
    while (!queue_.empty()) {
        Pending& head = queue_.front();
        const std::size_t due = dueCount(head, now);
        if (due > head.sent) {
            const std::span<const std::uint8_t> chunk(head.bytes.data() + head.sent,
                                                      due - head.sent);
            const long taken = write(chunk);
            const std::size_t accepted = taken < 0 ? 0 : std::min(std::size_t(taken), chunk.size());
            written_ += accepted;
            lost_ += chunk.size() - accepted;
            head.sent = due;
        }
        if (head.sent < head.bytes.size())
            return;
        queue_.pop_front();
    }
}

} // namespace sim
