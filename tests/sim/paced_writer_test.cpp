#include "sim/paced_writer.h"

#include "tests/sim/sim_test_support.h"

#include <gtest/gtest.h>

using namespace simtest;

namespace {
struct Line {
    std::vector<std::pair<sim::TimePoint, Bytes>> writes;
    sim::TimePoint now{};
    sim::PacedWriter::WriteFunction function() {
        return [this](std::span<const std::uint8_t> bytes) {
            writes.emplace_back(now, Bytes(bytes.begin(), bytes.end()));
            return long(bytes.size());
        };
    }
    // Runs the writer at every deadline it asks for.
    void run(sim::PacedWriter& writer) {
        const auto write = function();
        while (const auto due = writer.nextDeadline()) {
            now = std::max(now, *due);
            writer.pump(now, write);
        }
    }
    Bytes all() const {
        Bytes bytes;
        for (const auto& w : writes)
            bytes.insert(bytes.end(), w.second.begin(), w.second.end());
        return bytes;
    }
};
} // namespace

TEST(PacedWriter, DeliversEachByteWhenItWouldHaveCrossedTheLine) {
    sim::PacedWriter writer(true, 8);
    Line line;
    Bytes frameBytes(1031);
    for (std::size_t i = 0; i < frameBytes.size(); ++i)
        frameBytes[i] = std::uint8_t(i);
    const sim::TimePoint start = line.now + 10ms;
    writer.enqueue(frameBytes, start);
    line.run(writer);

    EXPECT_EQ(line.all(), frameBytes);
    std::size_t written = 0;
    for (const auto& [at, bytes] : line.writes) {
        written += bytes.size();
        EXPECT_LE(bytes.size(), 8u);
        EXPECT_EQ(at, start + sim::lineTime(written)) << "no byte goes out early";
    }
    EXPECT_EQ(line.writes.back().first - start, sim::lineTime(1031));
    using Milliseconds = std::chrono::duration<double, std::milli>;
    EXPECT_NEAR(Milliseconds(sim::lineTime(1031)).count(), 89.5, 0.01);
}

TEST(PacedWriter, QueuedItemsFollowEachOtherAndLateWakeUpsCatchUp) {
    sim::PacedWriter writer(true, 8);
    Line line;
    const sim::TimePoint start = line.now;
    writer.enqueue(Bytes(100, 1), line.now);
    writer.enqueue(Bytes(100, 2), line.now); // the line is still busy with the first
    line.now += 50ms;                        // woken late: everything due goes at once
    writer.pump(line.now, line.function());
    EXPECT_EQ(line.all().size(), 200u);
    EXPECT_TRUE(writer.idle());

    // An item due in the past starts when the line became free, not earlier.
    writer.enqueue(Bytes(10, 3), line.now - 1s);
    EXPECT_EQ(*writer.nextDeadline(), start + 2 * sim::lineTime(100) + sim::lineTime(8));
}

TEST(PacedWriter, UnpacedSendsWholeItemsAtTheirTimeAndCountsWhatTheLineRefuses) {
    sim::PacedWriter writer(false);
    sim::TimePoint now{};
    writer.enqueue(Bytes(1031, 7), now + 5ms);
    EXPECT_EQ(*writer.nextDeadline(), now + 5ms);
    int calls = 0;
    writer.pump(now, [&](std::span<const std::uint8_t>) { return long(++calls); });
    EXPECT_EQ(calls, 0);
    writer.pump(now + 5ms, [&](std::span<const std::uint8_t> b) {
        ++calls;
        EXPECT_EQ(b.size(), 1031u);
        return long(1000);
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(writer.bytesWritten(), 1000u);
    EXPECT_EQ(writer.bytesLost(), 31u);
}
