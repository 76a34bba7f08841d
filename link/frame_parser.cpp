#include "link/frame_parser.h"

#include "link/message_codes.h"

FrameParser::FrameParser(const TransferFlags& flags, FrameConsumer consumer)
    : flags_(flags), consumer_(std::move(consumer)) {}

std::chrono::milliseconds FrameParser::bodyTimeout(std::size_t length) {
    return std::chrono::milliseconds(length / 10 + 100);
}

void FrameParser::feed(std::span<const std::uint8_t> bytes, Clock::time_point now) {
    for (const std::uint8_t byte : bytes) {
        expire(now);
        if (pending_ == Pending::none)
            begin(byte, now);
        else
            continueItem(byte, now);
    }
}

void FrameParser::expire(Clock::time_point now) {
    if (pending_ == Pending::none || now - stepStart_ <= stepTimeout_)
        return;
    const Pending unfinished = pending_;
    pending_ = Pending::none;
    if (!frameInBootMode_)
        return;
    if (unfinished == Pending::frameLength)
        reexamine({}, std::span(buffer_.data(), have_), now);
    else if (unfinished == Pending::frameBody)
        reexamine(lengthBytes_, std::span(buffer_.data(), have_), now);
}

void FrameParser::reexamine(std::span<const std::uint8_t> first, std::span<const std::uint8_t> rest,
                            Clock::time_point now) {
    // Copied first: examining them refills the receive buffer.
    std::vector<std::uint8_t> bytes(first.begin(), first.end());
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    for (const std::uint8_t byte : bytes) {
        if (pending_ == Pending::none)
            begin(byte, now);
        else
            continueItem(byte, now);
    }
}

std::size_t FrameParser::bytesStillNeeded() const {
    if (pending_ == Pending::none)
        return 0;
    const std::size_t rest = needed_ - have_;
    return pending_ == Pending::frameLength ? rest + wire::minFrameLength : rest;
}

std::optional<FrameParser::Clock::time_point> FrameParser::deadline() const {
    if (pending_ == Pending::none)
        return std::nullopt;
    return stepStart_ + stepTimeout_;
}

void FrameParser::begin(std::uint8_t byte, Clock::time_point now) {
    if (flags_.receivePaused.load(std::memory_order_acquire))
        return;
    frameInBootMode_ = !flags_.framedMode();
    if (byte == wire::frameStart) {
        wait(Pending::frameLength, 2, lengthTimeout, now);
        return;
    }
    if (frameInBootMode_)
        beginBoot(byte, now);
}

void FrameParser::beginBoot(std::uint8_t byte, Clock::time_point now) {
    firstByte_ = byte;
    switch (byte) {
    case BL_HELLO:
    case BL_HELLO_ALT:
        wait(Pending::helloFollower, 1, helloTimeout, now);
        break;
    case BL_INFO:
    case BL_INFO_ALT:
        wait(Pending::bootInfo, 8, infoTimeout, now);
        break;
    case BL_READY:
    case BL_NEXT:
    case BL_DONE:
    case BL_REPEAT:
        deliver(byte, {}, true);
        break;
    default:
        break;
    }
}

void FrameParser::continueItem(std::uint8_t byte, Clock::time_point now) {
    buffer_[have_++] = byte;
    if (have_ < needed_)
        return;
    const Pending finished = pending_;
    pending_ = Pending::none;
    switch (finished) {
    case Pending::frameLength: {
        const std::size_t length = wire::readU16(buffer_.data());
        lengthBytes_ = {buffer_[0], buffer_[1]};
        if (length >= wire::minFrameLength && length <= wire::maxReceivedFrameLength)
            wait(Pending::frameBody, length, bodyTimeout(length), now);
        else if (frameInBootMode_)
            reexamine({}, lengthBytes_, now);
        break;
    }
    case Pending::frameBody: {
        const std::span<const std::uint8_t> body(buffer_.data(), needed_);
        const std::span<const std::uint8_t> payload = body.subspan(1, body.size() - 2);
        const bool intact = wire::frameChecksum(body[0], payload) == body.back();
        // A frame that began in boot-loader mode is not for the boot-loader exchange; what
        // turns out to be no frame there is examined again as boot-loader bytes.
        if (intact && !frameInBootMode_)
            deliver(body[0], payload, false);
        else if (!intact && frameInBootMode_)
            reexamine(lengthBytes_, body, now);
        break;
    }
    case Pending::helloFollower:
        if (byte == BL_HELLO_FOLLOWER)
            deliver(firstByte_, {}, true);
        break;
    case Pending::bootInfo:
        deliver(firstByte_, std::span<const std::uint8_t>(buffer_.data(), needed_), true);
        break;
    case Pending::none:
        break;
    }
}

void FrameParser::deliver(std::uint8_t code, std::span<const std::uint8_t> payload,
                          bool bootLoader) {
    if (consumer_)
        consumer_(ReceivedFrame{code, {payload.begin(), payload.end()}, bootLoader});
}

void FrameParser::wait(Pending what, std::size_t count, std::chrono::milliseconds timeout,
                       Clock::time_point now) {
    pending_ = what;
    needed_ = count;
    have_ = 0;
    stepStart_ = now;
    stepTimeout_ = timeout;
}
