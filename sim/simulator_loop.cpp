#include "sim/simulator_loop.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <unistd.h>

namespace sim {
namespace {
// Time for written bytes to reach the terminal's input queue, where they can be counted.
constexpr Duration hangupSettle = std::chrono::milliseconds(20);
} // namespace

SimulatorLoop::SimulatorLoop(PtyLink& link, ReceiverSimulator& receiver, bool paced, int stopFd,
                             int controlFd, std::function<void(const std::string&)> notice)
    : link_(link), receiver_(receiver), writer_(paced), stopFd_(stopFd), controlFd_(controlFd),
      notice_(std::move(notice)) {}

SimulatorLoop::StopReason SimulatorLoop::run() {
    receiver_.start(Clock::now());
    const auto write = [this](std::span<const std::uint8_t> bytes) {
        lastWriteAt_ = Clock::now();
        return link_.write(bytes);
    };
    std::uint8_t buffer[4096];

    for (;;) {
        const TimePoint now = Clock::now();
        receiver_.advance(now);
        for (OutgoingItem& item : receiver_.takeOutput())
            writer_.enqueue(std::move(item.bytes), item.notBefore);
        writer_.pump(now, write);
        std::optional<TimePoint> wake = receiver_.nextWakeUp();
        if (receiver_.wantsHangup() && writer_.idle()) {
            // Bytes already on the wire still arrive: let the PC take the last reply (for at
            // most a second) before the line goes down.
            if (!hangupDeadline_)
                hangupDeadline_ = now + std::chrono::seconds(1);
            if ((link_.unreadByPc() == 0 && now >= lastWriteAt_ + hangupSettle) ||
                now >= *hangupDeadline_) {
                link_.hangUp();
                return StopReason::hungUp;
            }
            wake = now + hangupSettle;
        }

        if (const auto due = writer_.nextDeadline(); due && (!wake || *due < *wake))
            wake = due;
        timespec timeout{};
        timespec* timeoutPointer = nullptr;
        if (wake) {
            const auto left =
                std::max(Duration(0), std::chrono::duration_cast<Duration>(*wake - Clock::now()));
            timeout.tv_sec = time_t(left.count() / 1'000'000'000);
            timeout.tv_nsec = long(left.count() % 1'000'000'000);
            timeoutPointer = &timeout;
        }

        pollfd fds[3] = {{link_.fd(), POLLIN, 0}, {stopFd_, POLLIN, 0}, {controlFd_, POLLIN, 0}};
        const nfds_t count = controlFd_ >= 0 ? 3 : 2;
        const int ready = ::ppoll(fds, count, timeoutPointer, nullptr);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            notice_(std::string("poll failed: ") + std::strerror(errno));
            return StopReason::lineFailed;
        }
        if (fds[1].revents != 0)
            return StopReason::requested;
        if (fds[0].revents & (POLLIN | POLLERR | POLLHUP)) {
            const ssize_t n = ::read(link_.fd(), buffer, sizeof buffer);
            if (n > 0) {
                receiver_.receive({buffer, std::size_t(n)}, Clock::now());
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                notice_(std::string("reading the line failed: ") + std::strerror(errno));
                return StopReason::lineFailed;
            }
        }
        if (count == 3 && fds[2].revents != 0)
            handleControlInput();
    }
}

void SimulatorLoop::handleControlInput() {
    char buffer[256];
    const ssize_t n = ::read(controlFd_, buffer, sizeof buffer);
    if (n <= 0) {
        if (n == 0 || (errno != EAGAIN && errno != EINTR))
            controlFd_ = -1; // end of input: keep running without it
        return;
    }
    controlBuffer_.append(buffer, std::size_t(n));
    for (std::size_t end; (end = controlBuffer_.find('\n')) != std::string::npos;) {
        std::string line = controlBuffer_.substr(0, end);
        controlBuffer_.erase(0, end + 1);
        handleControlLine(line);
    }
}

void SimulatorLoop::handleControlLine(const std::string& line) {
    const std::size_t first = line.find_first_not_of(" \t\r");
    const std::size_t last = line.find_last_not_of(" \t\r");
    const std::string command =
        first == std::string::npos ? "" : line.substr(first, last - first + 1);
    if (command.empty())
        return;
    if (command == "on") {
        receiver_.switchOn(Clock::now());
    } else if (command == "off") {
        receiver_.switchOff(Clock::now());
        writer_.clear();
    } else {
        notice_("unknown command '" + command + "' (on, off)");
    }
}

} // namespace sim
