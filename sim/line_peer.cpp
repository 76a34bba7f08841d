#include "sim/line_peer.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

std::unique_ptr<LinePeer> LinePeer::open(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    termios mode{};
    if (::tcgetattr(fd, &mode) == 0) {
        ::cfmakeraw(&mode);
        ::tcsetattr(fd, TCSANOW, &mode);
    }
    ::tcflush(fd, TCIOFLUSH);
    return std::unique_ptr<LinePeer>(new LinePeer(fd));
}

LinePeer::~LinePeer() {
    ::close(fd_);
}

bool LinePeer::send(std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += std::size_t(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else if (!(n < 0 && errno == EINTR)) {
            return false;
        }
    }
    return true;
}

std::vector<std::uint8_t> LinePeer::read(std::size_t count, std::chrono::milliseconds timeout) {
    std::vector<std::uint8_t> bytes;
    const TimePoint deadline = Clock::now() + timeout;
    while (bytes.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() < 0)
            break;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, int(left.count()) + 1) <= 0)
            continue;
        std::uint8_t buffer[4096];
        const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, count - bytes.size()));
        if (n > 0) {
            const TimePoint now = Clock::now();
            if (bytes.empty())
                firstByteAt_ = now;
            lastByteAt_ = now;
            bytes.insert(bytes.end(), buffer, buffer + n);
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            break; // hung up
        }
    }
    return bytes;
}

std::vector<std::uint8_t> LinePeer::readUntilQuiet(std::chrono::milliseconds quiet) {
    std::vector<std::uint8_t> bytes;
    for (;;) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, int(quiet.count())) <= 0)
            return bytes;
        std::uint8_t buffer[4096];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            return bytes;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
}

void LinePeer::drain() {
    ::tcflush(fd_, TCIFLUSH);
}

} // namespace sim
