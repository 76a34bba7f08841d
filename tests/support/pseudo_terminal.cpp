#include "tests/support/pseudo_terminal.h"

#include "base/settings_store.h"
#include "link/serial_device_map.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal() {
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    char name[128] = {};
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || ::ptsname_r(fd, name, sizeof name) != 0) {
        ::close(fd);
        return;
    }
    // Raw from the start: the terminal settings stay with the pair while the master is open.
    const int device = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (device >= 0) {
        termios line{};
        if (::tcgetattr(device, &line) == 0) {
            ::cfmakeraw(&line);
            ::tcsetattr(device, TCSANOW, &line);
        }
        ::close(device);
    }
    masterFd_ = fd;
    devicePath_ = QString::fromLocal8Bit(name);
}

PseudoTerminal::~PseudoTerminal() {
    hangUp();
}

bool PseudoTerminal::send(std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (masterFd_ >= 0 && done < bytes.size()) {
        const ssize_t written = ::write(masterFd_, bytes.data() + done, bytes.size() - done);
        if (written > 0) {
            done += std::size_t(written);
        } else if (written < 0 && errno == EAGAIN) {
            pollfd out{masterFd_, POLLOUT, 0};
            if (::poll(&out, 1, 1000) <= 0)
                return false;
        } else if (!(written < 0 && errno == EINTR)) {
            return false;
        }
    }
    return done == bytes.size();
}

std::vector<std::uint8_t> PseudoTerminal::receiveAvailable() {
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[4096];
    while (masterFd_ >= 0) {
        const ssize_t count = ::read(masterFd_, chunk, sizeof chunk);
        if (count <= 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + count);
    }
    return bytes;
}

std::vector<std::uint8_t> PseudoTerminal::receive(std::size_t count,
                                                  std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    std::vector<std::uint8_t> bytes;
    while (bytes.size() < count && masterFd_ >= 0) {
        const auto more = receiveAvailable();
        bytes.insert(bytes.end(), more.begin(), more.end());
        if (bytes.size() >= count)
            break;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        pollfd in{masterFd_, POLLIN, 0};
        ::poll(&in, 1, int(left.count()));
    }
    return bytes;
}

void PseudoTerminal::hangUp() {
    if (masterFd_ >= 0)
        ::close(masterFd_);
    masterFd_ = -1;
}

void routeSerialPorts(std::initializer_list<QString> devices) {
    SettingsStore store;
    auto device = devices.begin();
    for (int port = 1; port <= serialPortCount; ++port) {
        const QString path = device != devices.end()
                                 ? *device++
                                 : QStringLiteral("/nonexistent/serial-port-%1").arg(port);
        store.writeText(portsSectionName(), portValueName(port), path);
    }
}
