#pragma once

#include "sim/wire_time.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace sim {

// What the receiver is listening for.
enum class Listening {
    nothing,     // switched off, restarting, writing flash or silent: every byte is lost
    frames,      // application firmware: frames from the PC
    singleBytes, // boot loader waiting for the echo or the go-ahead
    bootHeader,  // boot loader waiting for the 21-byte boot header
    bootBlock,   // boot loader waiting for a 1025-byte block (or the abort frame)
};

struct InputItem {
    enum class Kind { frame, byte, bootHeader, bootBlock };
    Kind kind;
    std::vector<std::uint8_t> bytes; // the item as it came off the line
    TimePoint completedAt;           // when its last byte had arrived
};

// The receiver's side of the line: cuts the PC's byte stream into items according to what the
// receiver is listening for. Frames are checked (start byte, length 2 to 1028, checksum) and
// the parser resynchronises on the next start byte after a bad one; boot items are cut by
// size only, the receiver judges their contents. A partial item that sees no further byte for
// `itemTimeout` is discarded.
class PcInputParser {
public:
    explicit PcInputParser(Duration itemTimeout) : itemTimeout_(itemTimeout) {}

    // Switches what is listened for; a partial item is discarded.
    void listen(Listening what);
    Listening listening() const { return listening_; }

    // One byte that finished arriving at `at`. Appends every item it completes to `items`.
    void feed(std::uint8_t byte, TimePoint at, std::vector<InputItem>& items);

    // When a partial item will be given up, if one is pending.
    std::optional<TimePoint> partialDeadline() const;
    // Gives up a partial item whose deadline has passed. Returns what it was listening for
    // while that item came in (nothing when no item was given up).
    std::optional<Listening> expire(TimePoint now);

    bool hasPartial() const { return !buffer_.empty(); }
    // Bytes that were not part of any item (line noise, bad frames, lost partial items).
    std::size_t discardedBytes() const { return discarded_; }

private:
    void feedFrameByte(std::uint8_t byte, TimePoint at, std::vector<InputItem>& items);
    void resynchronise(TimePoint at, std::vector<InputItem>& items);
    void emit(InputItem::Kind kind, TimePoint at, std::vector<InputItem>& items);

    Duration itemTimeout_;
    Listening listening_ = Listening::nothing;
    std::vector<std::uint8_t> buffer_;
    std::size_t expected_ = 0; // item size once known; 0 while unknown
    TimePoint lastByteAt_{};
    std::size_t discarded_ = 0;
};

} // namespace sim
