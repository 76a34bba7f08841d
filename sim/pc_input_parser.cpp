#include "sim/pc_input_parser.h"

#include "link/frame_codec.h"

namespace sim {
namespace {
constexpr std::uint8_t bootHeaderFirstByte = 0x01;
constexpr std::size_t frameOverhead = 3; // start byte and length field
} // namespace

void PcInputParser::listen(Listening what) {
    discarded_ += buffer_.size();
    buffer_.clear();
    expected_ = 0;
    listening_ = what;
}

std::optional<TimePoint> PcInputParser::partialDeadline() const {
    if (buffer_.empty())
        return std::nullopt;
    return lastByteAt_ + itemTimeout_;
}

std::optional<Listening> PcInputParser::expire(TimePoint now) {
    const auto deadline = partialDeadline();
    if (!deadline || now < *deadline)
        return std::nullopt;
    discarded_ += buffer_.size();
    buffer_.clear();
    expected_ = 0;
    return listening_;
}

void PcInputParser::emit(InputItem::Kind kind, TimePoint at, std::vector<InputItem>& items) {
    items.push_back(InputItem{kind, std::move(buffer_), at});
    buffer_.clear();
    expected_ = 0;
}

void PcInputParser::feed(std::uint8_t byte, TimePoint at, std::vector<InputItem>& items) {
    lastByteAt_ = at;
    switch (listening_) {
    case Listening::nothing:
        ++discarded_;
        return;
    case Listening::singleBytes:
        buffer_.push_back(byte);
        emit(InputItem::Kind::byte, at, items);
        return;
    case Listening::frames:
        feedFrameByte(byte, at, items);
        return;
    case Listening::bootHeader:
        if (buffer_.empty()) {
            // A header starts with 0x01. The PC may also send its 1025-byte abort frame here
            // (after a repeat request while it is cancelling); take that in whole so that it
            // is recognised and not read as fifty pieces of header.
            if (byte == bootHeaderFirstByte)
                expected_ = wire::bootHeaderSize;
            else if (byte == wire::frameStart)
                expected_ = wire::bootBlockSize;
            else {
                ++discarded_;
                return;
            }
        }
        buffer_.push_back(byte);
        if (buffer_.size() == expected_)
            emit(expected_ == wire::bootHeaderSize ? InputItem::Kind::bootHeader
                                                   : InputItem::Kind::bootBlock,
                 at, items);
        return;
    case Listening::bootBlock:
        buffer_.push_back(byte);
        if (buffer_.size() == wire::bootBlockSize)
            emit(InputItem::Kind::bootBlock, at, items);
        return;
    }
}

void PcInputParser::feedFrameByte(std::uint8_t byte, TimePoint at, std::vector<InputItem>& items) {
    if (buffer_.empty() && byte != wire::frameStart) {
        ++discarded_;
        return;
    }
    buffer_.push_back(byte);
    if (buffer_.size() == frameOverhead) {
        const std::size_t length = wire::readU16(buffer_.data() + 1);
        if (length < wire::minFrameLength || length > wire::maxReceivedFrameLength) {
            resynchronise(at, items);
            return;
        }
        expected_ = length + frameOverhead;
    }
    if (expected_ == 0 || buffer_.size() < expected_)
        return;
    if (wire::isValidFrame(buffer_))
        emit(InputItem::Kind::frame, at, items);
    else
        resynchronise(at, items);
}

// The start byte in the buffer was not the start of a good frame: drop it and look for the next
// start byte among the bytes already received.
void PcInputParser::resynchronise(TimePoint at, std::vector<InputItem>& items) {
    std::vector<std::uint8_t> rest(buffer_.begin() + 1, buffer_.end());
    buffer_.clear();
    expected_ = 0;
    ++discarded_;
    for (std::uint8_t byte : rest)
        feedFrameByte(byte, at, items);
}

} // namespace sim
