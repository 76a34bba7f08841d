// The reader loop against a line running at full speed: 1031-byte frames sent back to back
// through a pseudo-terminal, one byte every 86.8 us as at 115200 baud. Reports the reader
// thread's CPU time as a share of one core and the delay from a frame's last byte on the
// line to its delivery; and the reader's CPU share on an idle line.
#include "link/frame_codec.h"
#include "link/frame_reader.h"
#include "link/message_codes.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <sched.h>
#include <termios.h>
#include <thread>
#include <time.h>
#include <unistd.h>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// The far end of a pseudo-terminal; the reader opens its device side.
struct FarEnd {
    FarEnd() {
        fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (fd < 0 || ::grantpt(fd) != 0 || ::unlockpt(fd) != 0 ||
            ::ptsname_r(fd, name, sizeof name) != 0)
            std::abort();
        devicePath = QString::fromLocal8Bit(name);
    }
    ~FarEnd() { ::close(fd); }
    int fd = -1;
    QString devicePath;
};

double threadCpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

struct ReaderRun {
    explicit ReaderRun(const FarEnd& far)
        : port([path = far.devicePath](int) { return path; }),
          reader(port, flags, [this](ReceivedFrame&& frame) { delivered(std::move(frame)); }) {
        flags.state = 1;
        port.CreateEvents();
        port.settings.portNumber = 1;
        if (port.Open() == 0)
            std::abort();
        thread = std::thread([this] {
            const double before = threadCpuSeconds();
            reader.run(stop);
            cpuSeconds = threadCpuSeconds() - before;
        });
    }
    // Stops the reader; returns its CPU time.
    double finish() {
        stop = true;
        reader.wake();
        thread.join();
        return cpuSeconds;
    }
    void delivered(ReceivedFrame&& frame) {
        const auto now = Clock::now();
        std::lock_guard lock(mutex);
        deliveries.push_back({wire::readU16(frame.payload.data()), now});
    }

    struct Delivery {
        std::uint16_t sequence;
        Clock::time_point at;
    };
    TransferFlags flags;
    SerialPort port;
    FrameReader reader;
    std::atomic<bool> stop{false};
    std::thread thread;
    double cpuSeconds = 0;
    std::mutex mutex;
    std::vector<Delivery> deliveries;
};

void BM_FullSpeedFrames(benchmark::State& state) {
    constexpr auto byteTime = std::chrono::nanoseconds(86'806); // 10 bits at 115200 baud
    const auto duration = std::chrono::seconds(state.range(0));
    for (auto _ : state) {
        FarEnd far;
        ReaderRun run(far);
        // The sender plays the line, which never stalls: real-time priority where allowed, so
        // that a busy machine does not hold it up inside a frame.
        sched_param realTime{};
        realTime.sched_priority = 10;
        const bool paced = ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &realTime) == 0;
        std::vector<Clock::time_point> lastByteSent;
        const auto start = Clock::now() + 20ms;
        std::uint64_t byteIndex = 0;
        Clock::duration lag{};
        for (std::uint16_t sequence = 0; Clock::now() - start < duration; ++sequence) {
            std::vector<std::uint8_t> payload(1026);
            wire::putU16(payload.data(), sequence);
            for (std::size_t i = 2; i < payload.size(); ++i)
                payload[i] = std::uint8_t(i * 13 + sequence);
            const auto frame = wire::encodeFrame(RSP_UPLOAD_BLOCK, payload);
            for (const std::uint8_t byte : frame) {
                const auto due = start + lag + byteTime * byteIndex++;
                const auto sinceEpoch = due.time_since_epoch();
                const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch);
                const timespec at{time_t(seconds.count()), long((sinceEpoch - seconds).count())};
                ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
                // A line never delivers faster than its rate: when this thread was held up,
                // the rest of the schedule moves instead of catching up in a burst.
                const auto late = Clock::now() - due;
                if (late > byteTime)
                    lag += late;
                if (::write(far.fd, &byte, 1) != 1)
                    std::abort();
            }
            lastByteSent.push_back(Clock::now());
        }
        sched_param normal{};
        ::pthread_setschedparam(::pthread_self(), SCHED_OTHER, &normal);
        std::this_thread::sleep_for(50ms);
        const auto wall = std::chrono::duration<double>(Clock::now() - start).count();
        const double cpu = run.finish();

        std::vector<double> delaysUs;
        for (const auto& delivery : run.deliveries) {
            const auto delay = delivery.at - lastByteSent.at(delivery.sequence);
            delaysUs.push_back(std::chrono::duration<double, std::micro>(delay).count());
        }
        std::sort(delaysUs.begin(), delaysUs.end());
        // Only a sender held up beyond a deadline (a busy machine) makes the reader drop one.
        state.counters["frames"] = double(delaysUs.size());
        state.counters["sender_real_time"] = paced ? 1 : 0;
        state.counters["lost"] = double(lastByteSent.size() - delaysUs.size());
        state.counters["sender_held_up_ms"] =
            std::chrono::duration<double, std::milli>(lag).count();
        state.counters["reader_cpu_%"] = 100.0 * cpu / wall;
        state.counters["median_delay_us"] = delaysUs.empty() ? 0 : delaysUs[delaysUs.size() / 2];
        state.counters["p90_delay_us"] = delaysUs.empty() ? 0 : delaysUs[delaysUs.size() * 9 / 10];
        state.counters["worst_delay_us"] = delaysUs.empty() ? 0 : delaysUs.back();
    }
}
BENCHMARK(BM_FullSpeedFrames)->Arg(10)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_IdleLine(benchmark::State& state) {
    for (auto _ : state) {
        FarEnd far;
        ReaderRun run(far);
        const auto start = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(state.range(0)));
        const auto wall = std::chrono::duration<double>(Clock::now() - start).count();
        state.counters["reader_cpu_%"] = 100.0 * run.finish() / wall;
    }
}
BENCHMARK(BM_IdleLine)->Arg(2)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
