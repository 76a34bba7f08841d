#pragma once

#include "link/frame_codec.h"
#include "link/message_codes.h"
#include "sim/receiver_simulator.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

namespace simtest {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

inline Bytes frame(std::uint8_t code, Bytes payload = {}) {
    return wire::encodeFrame(code, payload);
}

inline Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Channel data with a body of `size` bytes: a counting pattern ending in "END".
inline sim::ChannelData patternChannels(std::size_t size, std::uint8_t layout = 2,
                                        std::uint8_t flags = 0x05) {
    sim::ChannelData data;
    data.layout = layout;
    data.headerFlags = flags;
    data.body.resize(size);
    for (std::size_t i = 0; i < size; ++i)
        data.body[i] = std::uint8_t(i * 7 + 3);
    data.body[size - 3] = 'E';
    data.body[size - 2] = 'N';
    data.body[size - 1] = 'D';
    return data;
}

// A firmware image (at least 35 bytes) with an identification block: block length 13, value
// "TEST", version d1.d2d3.
inline Bytes firmwareImage(std::size_t size, std::uint8_t d1, std::uint8_t d2, std::uint8_t d3) {
    Bytes image(std::max<std::size_t>(size, 35));
    for (std::size_t i = 0; i < size; ++i)
        image[i] = std::uint8_t(i * 13 + 1);
    image[21] = 13;
    const char tag[] = "INTPR";
    std::copy(tag, tag + 5, image.begin() + 22);
    image[27] = 'T';
    image[28] = 'E';
    image[29] = 'S';
    image[30] = 'T';
    image[31] = d1;
    image[32] = d2;
    image[33] = d3;
    image[34] = 0;
    image.resize(size);
    return image;
}

// Drives a ReceiverSimulator in-process on a clock of its own.
class Bench {
public:
    explicit Bench(sim::ReceiverConfig config, sim::FaultPlan faults = {}, std::uint64_t seed = 1,
                   sim::ReceiverHooks hooks = {})
        : rx(std::move(config), faults, seed, std::move(hooks)) {
        rx.start(now);
    }

    // Sends bytes from the PC, lets the receiver act on them and returns what it sends back.
    Bytes exchange(const Bytes& bytes) {
        rx.receive(bytes, now);
        return collect();
    }
    // Lets `d` pass and returns what the receiver sent meanwhile.
    Bytes wait(sim::Duration d) {
        const sim::TimePoint until = now + d;
        while (const auto next = rx.nextWakeUp()) {
            if (*next > until)
                break;
            now = std::max(now, *next);
            rx.advance(now);
        }
        now = until;
        rx.advance(now);
        return collect();
    }
    Bytes collect() {
        rx.advance(now);
        Bytes all;
        for (sim::OutgoingItem& item : rx.takeOutput()) {
            items.push_back(item);
            all.insert(all.end(), item.bytes.begin(), item.bytes.end());
        }
        return all;
    }

    sim::TimePoint now = sim::TimePoint{} + std::chrono::hours(1);
    sim::ReceiverSimulator rx;
    std::vector<sim::OutgoingItem> items;
};

inline sim::ReceiverConfig fastConfig() {
    sim::ReceiverConfig config;
    config.pacedInput = false;
    config.flashTime = std::chrono::seconds(2);
    return config;
}

} // namespace simtest
