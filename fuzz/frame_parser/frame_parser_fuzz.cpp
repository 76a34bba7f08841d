// Arbitrary byte streams, with pauses and switches between framed and boot-loader mode,
// through the frame parser. The input is a sequence of records:
//   control byte: bit 0 framed mode, bit 1 receiving paused, bits 2 to 7 pick a pause
//   count byte n: 0 only lets the clock run (unfinished items may expire)
//   n bytes from the line, all read at the same moment
// Everything handed on must be a whole, checked item of the mode it was parsed in.
#include "link/frame_codec.h"
#include "link/frame_parser.h"
#include "link/message_codes.h"

#include <array>
#include <chrono>
#include <cstdlib>

namespace {

using namespace std::chrono_literals;

// Pauses around every deadline the parser keeps (10, 80, 100 to 202 ms) and a few others.
constexpr std::array<std::chrono::microseconds, 64> pauses = {
    0us,     1us,     50us,  87us,  500us, 1ms,   2ms,      5ms,   9ms,   9999us, 10ms,
    10001us, 11ms,    15ms,  20ms,  30ms,  40ms,  50ms,     60ms,  70ms,  79ms,   79999us,
    80ms,    80001us, 81ms,  90ms,  99ms,  100ms, 100001us, 101ms, 110ms, 120ms,  130ms,
    140ms,   150ms,   160ms, 170ms, 180ms, 190ms, 199ms,    200ms, 201ms, 202ms,  202001us,
    203ms,   210ms,   250ms, 300ms, 400ms, 500ms, 600ms,    700ms, 800ms, 900ms,  1s,
    2s,      3s,      5s,    10s,   30s,   60s,   600s,     3600s, 86400s};

bool isBootByte(std::uint8_t code) {
    switch (code) {
    case BL_HELLO:
    case BL_HELLO_ALT:
    case BL_INFO:
    case BL_INFO_ALT:
    case BL_READY:
    case BL_NEXT:
    case BL_DONE:
    case BL_REPEAT:
        return true;
    default:
        return false;
    }
}

void check(const ReceivedFrame& item) {
    if (item.fromBootLoader) {
        const bool info = item.code == BL_INFO || item.code == BL_INFO_ALT;
        if (!isBootByte(item.code) || item.payload.size() != (info ? 8u : 0u))
            std::abort();
        return;
    }
    if (item.payload.size() + wire::minFrameLength > wire::maxReceivedFrameLength)
        std::abort();
    if (!wire::isValidFrame(wire::encodeFrame(item.code, item.payload)))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TransferFlags flags;
    FrameParser parser(flags, [](ReceivedFrame&& item) { check(item); });
    auto now = FrameParser::Clock::time_point{} + 1h;
    std::size_t at = 0;
    while (at + 2 <= size) {
        const std::uint8_t control = data[at];
        const std::size_t count = std::min<std::size_t>(data[at + 1], size - at - 2);
        at += 2;
        flags.state = (control & 0x01) ? 1 : -5;
        flags.receivePaused = (control & 0x02) != 0;
        now += pauses[control >> 2];
        if (count == 0)
            parser.expire(now);
        else
            parser.feed(std::span(data + at, count), now);
        at += count;
        if (!parser.idle() && (!parser.deadline() || parser.bytesStillNeeded() == 0 ||
                               parser.bytesStillNeeded() > wire::maxReceivedFrameLength + 2))
            std::abort();
    }
    return 0;
}
