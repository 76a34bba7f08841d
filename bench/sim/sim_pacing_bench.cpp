// Wire timing of rx7700-sim at 115200 baud: how long a full 1031-byte reply frame takes to
// arrive, and how long the boot loader waits before answering a 1025-byte block that the PC
// wrote at once. Both should match a real line: 1031 and 1025 byte times (89.5 and 89.0 ms).
#include "link/frame_codec.h"
#include "link/message_codes.h"
#include "sim/channel_data.h"
#include "sim/line_peer.h"
#include "sim/sim_process.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Milliseconds = std::chrono::duration<double, std::milli>;

Bytes frame(std::uint8_t code, const Bytes& payload = {}) {
    return wire::encodeFrame(code, payload);
}

struct RunningSim {
    explicit RunningSim(std::vector<std::string> args) {
        char pattern[] = "/tmp/rx7700-sim-bench-XXXXXX";
        dir = ::mkdtemp(pattern);
        args.insert(args.begin(), {"--link", dir + "/com1"});
        if (!process.start(args, dir + "/stderr.txt"))
            return;
        std::string error;
        peer = sim::LinePeer::open(dir + "/com1", error);
    }
    ~RunningSim() {
        peer.reset();
        process.stop(SIGTERM);
        for (const char* name : {"/stderr.txt", "/channels.cdf"})
            ::unlink((dir + name).c_str());
        ::rmdir(dir.c_str());
    }
    // CPU seconds the simulator has used so far.
    double cpuSeconds() const {
        std::ifstream stat("/proc/" + std::to_string(process.pid()) + "/stat");
        std::string field;
        unsigned long ticks = 0;
        for (int i = 1; i <= 15 && stat >> field; ++i)
            if (i == 14 || i == 15)
                ticks += std::stoul(field);
        return double(ticks) / double(::sysconf(_SC_CLK_TCK));
    }
    Bytes ask(const Bytes& request, std::size_t replySize) {
        peer->send(request);
        return peer->read(replySize, std::chrono::seconds(2));
    }

    std::string dir;
    sim::SimProcess process;
    std::unique_ptr<sim::LinePeer> peer;
};

void report(benchmark::State& state, const std::vector<double>& ms, double cpu, double wall,
            double low, double high, const char* what) {
    if (ms.empty())
        return;
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    state.counters["median_ms"] = median;
    state.counters["min_ms"] = sorted.front();
    state.counters["max_ms"] = sorted.back();
    state.counters["sim_cpu_pct"] = 100.0 * cpu / wall;
    // The minimum shows whether anything ever came early; the median how the line runs. A
    // loaded machine may delay single wake-ups, which shows in the maximum.
    const bool ok = sorted.front() >= low && median <= high;
    char label[160];
    std::snprintf(label, sizeof label, "%s %s", what, ok ? "within target" : "OUTSIDE TARGET");
    state.SetLabel(label);
}

// A full RSP_UPLOAD_BLOCK frame (1031 bytes) from request to last byte, less the request's own
// 7 byte times, which the simulator also waits for.
void BM_PacedFrameDelivery(benchmark::State& state) {
    RunningSim sim({"--flash-seconds", "0"});
    if (!sim.peer) {
        state.SkipWithError("simulator did not start");
        return;
    }
    sim.ask(wire::encodeFrame(CMD_CHANNEL_OPEN), 7);
    // The built-in channel list is short; a download makes it long enough for full blocks.
    std::vector<std::uint8_t> body(64 * 1024, 0x5A);
    sim.ask(frame(CMD_DOWNLOAD_START, {0, 0, 0, 1, 0}), 6);
    for (std::uint16_t block = 0; block < 64; ++block) {
        Bytes payload{std::uint8_t(block), std::uint8_t(block >> 8)};
        payload.insert(payload.end(), body.begin(), body.begin() + 1024);
        sim.ask(wire::encodeFrame(CMD_DOWNLOAD_BLOCK, payload), 7);
    }
    sim.ask(wire::encodeFrame(CMD_DOWNLOAD_END), 5);
    sim.ask(wire::encodeFrame(CMD_CHANNEL_OPEN), 7);
    sim.ask(frame(CMD_UPLOAD_START, {0}), 10);

    std::vector<double> delivery;
    std::uint16_t block = 0;
    const double cpuBefore = sim.cpuSeconds();
    const auto wallBefore = sim::Clock::now();
    for (auto _ : state) {
        const Bytes request = frame(CMD_UPLOAD_BLOCK, {std::uint8_t(block), 0});
        block = std::uint16_t((block + 1) % 64);
        const auto sentAt = sim::Clock::now();
        const Bytes reply = sim.ask(request, 1031);
        if (reply.size() != 1031) {
            state.SkipWithError("short reply");
            return;
        }
        const double ms = Milliseconds(sim.peer->lastByteAt() - sentAt - sim::lineTime(7)).count();
        delivery.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
    }
    const double wall = std::chrono::duration<double>(sim::Clock::now() - wallBefore).count();
    report(state, delivery, sim.cpuSeconds() - cpuBefore, wall, 87.5, 91.5,
           "1031-byte frame, target 89.5 +/- 2 ms:");
}
BENCHMARK(BM_PacedFrameDelivery)->UseManualTime()->Iterations(40)->Unit(benchmark::kMillisecond);

// A 1025-byte boot block written at once: the boot loader's answer must not come before the
// block could have crossed the line (1025 byte times, 88.98 ms).
void BM_BootBlockAnswerDelay(benchmark::State& state) {
    RunningSim sim({"--flash-seconds", "0"});
    if (!sim.peer) {
        state.SkipWithError("simulator did not start");
        return;
    }
    sim.peer->send(wire::encodeFrame(CMD_RESET));
    sim.peer->read(2, std::chrono::seconds(2)); // BL_HELLO 0x08
    sim.ask({BL_HELLO}, 9);                     // BL_INFO
    sim.ask({BL_GO_AHEAD}, 1);                  // BL_NEXT
    const std::uint32_t imageLength = 16u * 1024 * 1024;
    const auto header = wire::bootHeader(imageLength);
    sim.ask(Bytes(header.begin(), header.end()), 1);
    Bytes image(4096);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = std::uint8_t(i * 31);

    std::vector<double> delays;
    int block = 0;
    const double cpuBefore = sim.cpuSeconds();
    const auto wallBefore = sim::Clock::now();
    for (auto _ : state) {
        const auto data = wire::bootBlock(image, block++ % 4);
        const auto sentAt = sim::Clock::now();
        const Bytes answer = sim.ask(Bytes(data.begin(), data.end()), 1);
        if (answer != Bytes{BL_NEXT}) {
            state.SkipWithError("no BL_NEXT");
            return;
        }
        const double ms = Milliseconds(sim.peer->lastByteAt() - sentAt).count();
        delays.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
    }
    const double wall = std::chrono::duration<double>(sim::Clock::now() - wallBefore).count();
    report(state, delays, sim.cpuSeconds() - cpuBefore, wall, 89.0, 1e9,
           "1025-byte block answered, target >= 89 ms:");
}
BENCHMARK(BM_BootBlockAnswerDelay)->UseManualTime()->Iterations(40)->Unit(benchmark::kMillisecond);

} // namespace
