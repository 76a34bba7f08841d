// Feeds arbitrary PC bytes to the receiver simulator (its input parser and both firmware
// state machines), with time passing between chunks so that time-outs, restarts and flash
// writing are reached too.
//
// Input: byte 0 chooses the receiver (bit 0 greeting "ready", bit 1 boot loader only, bit 2
// paced input); then chunks, each introduced by one byte c: (c >> 2) * 32 + 1 bytes follow,
// and before them the clock moves by 0, 10 ms, 300 ms or 3 s (c & 3).
#include "link/frame_codec.h"
#include "link/message_codes.h"
#include "sim/receiver_simulator.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    using namespace std::chrono_literals;
    sim::ReceiverConfig config;
    config.greeting = (data[0] & 1) ? sim::Greeting::ready : sim::Greeting::hello;
    config.applicationWorks = (data[0] & 2) == 0;
    config.pacedInput = (data[0] & 4) != 0;
    config.flashTime = 1s;
    config.maxImageLength = 256 * 1024;
    sim::ReceiverSimulator rx(config, {}, 1);
    sim::TimePoint now{};
    rx.start(now);

    const sim::Duration steps[] = {0ms, 10ms, 300ms, 3s};
    std::size_t at = 1;
    while (at < size) {
        const std::uint8_t c = data[at++];
        now += steps[c & 3];
        rx.advance(now);
        const std::size_t count = std::min<std::size_t>((c >> 2) * 32u + 1u, size - at);
        rx.receive({data + at, count}, now);
        at += count;
        rx.advance(now);
        for (const sim::OutgoingItem& item : rx.takeOutput()) {
            // Without faults, every frame the receiver sends is well formed and fits the PC's
            // receive buffer; boot-loader items are one byte, a greeting or BL_INFO.
            if (item.bytes.empty() || item.notBefore < now - 3s)
                std::abort();
            if (item.bytes[0] == wire::frameStart) {
                if (!wire::isValidFrame(item.bytes) ||
                    item.bytes.size() > wire::maxReceivedFrameLength + 3)
                    std::abort();
            } else if (item.bytes.size() != 1 && item.bytes.size() != 2 && item.bytes.size() != 9) {
                std::abort();
            }
        }
    }
    return 0;
}
