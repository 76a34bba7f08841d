// SerialPort on a POSIX terminal device (Linux): termios for the line, TIOCEXCL and flock for
// exclusive use, ppoll on the device and an eventfd so the reader waits for both at once.
#include "link/serial_port.h"

#include "link/serial_device_map.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

constexpr auto writeCompletionWait = 1000ms;

timespec toTimespec(std::chrono::nanoseconds duration) {
    if (duration < 0ns)
        duration = 0ns;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
    return timespec{time_t(seconds.count()), long((duration - seconds).count())};
}

// ppoll with a relative time-out, retried after signals with the time still left.
int pollFor(pollfd* fds, nfds_t count, std::chrono::nanoseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const timespec ts = toTimespec(deadline - std::chrono::steady_clock::now());
        const int result = ::ppoll(fds, count, &ts, nullptr);
        if (result >= 0 || errno != EINTR)
            return result;
    }
}

speed_t speedFor(std::uint32_t baudRate) {
    switch (baudRate) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    case 921600:
        return B921600;
    default:
        return B0;
    }
}

tcflag_t characterSizeFlag(std::uint8_t byteSize) {
    switch (byteSize) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    case 8:
        return CS8;
    default:
        return 0;
    }
}

void setModemLine(int fd, int line, bool raised) {
    // A pseudo-terminal has no modem lines; that is not an error.
    ::ioctl(fd, raised ? TIOCMBIS : TIOCMBIC, &line);
}

void closeDescriptor(int fd) {
    while (::close(fd) != 0 && errno == EINTR) {
    }
}

void drainWake(int wakeFd) {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t ignored = ::read(wakeFd, &count, sizeof count);
}

// Asks the driver to hand on received bytes at once; `saved` keeps what to restore.
void applyLowLatency(int fd, int& saved) {
    saved = -1;
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) != 0 || (serial.flags & ASYNC_LOW_LATENCY))
        return; // not a driver that offers it, or already on
    const int before = serial.flags;
    serial.flags |= ASYNC_LOW_LATENCY;
    if (::ioctl(fd, TIOCSSERIAL, &serial) == 0)
        saved = before;
}

void restoreSerialFlags(int fd, int& saved) {
    if (saved < 0)
        return;
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags = saved;
        ::ioctl(fd, TIOCSSERIAL, &serial);
    }
    saved = -1;
}

} // namespace

// The terminal device and the reader's wake-up eventfd.
struct SerialPort::Native {
    std::atomic<int> fd{-1};
    std::atomic<int> wakeFd{-1};
    int savedSerialFlags = -1; // driver flags before low latency was asked for, -1 if untouched
};

SerialPort::SerialPort(DeviceLocator locator)
    : locator_(std::move(locator)), native_(std::make_unique<Native>()) {}

SerialPort::~SerialPort() {
    DestroyEvents();
}

int SerialPort::CreateEvents() {
    if (native_->wakeFd.load() >= 0)
        return 0;
    const int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0)
        return -1;
    native_->wakeFd.store(fd);
    return 0;
}

int SerialPort::DestroyEvents() {
    if (isOpen() || native_->fd.load() >= 0)
        Close();
    const int fd = native_->wakeFd.exchange(-1);
    if (fd >= 0)
        closeDescriptor(fd);
    return 1;
}

int SerialPort::Open() {
    if (isOpen() || native_->fd.load() >= 0)
        Close();
    const int number = settings.portNumber;
    devicePath_ = number >= 1 && number <= serialPortCount ? locator_(number) : QString();
    if (devicePath_.isEmpty())
        return 0;

    const QByteArray path = devicePath_.toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return 0;
    // The advisory lock keeps out every program that asks for it, privileged ones included;
    // TIOCEXCL keeps out unprivileged ones that do not.
    if (!::isatty(fd) || ::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
        closeDescriptor(fd);
        return 0;
    }
    applyLowLatency(fd, native_->savedSerialFlags);
    ::tcflush(fd, TCIOFLUSH);
    native_->fd.store(fd);
    lineDown_.store(false);

    const int result = Configure();
    if (result == 0) {
        restoreSerialFlags(fd, native_->savedSerialFlags);
        ::ioctl(fd, TIOCNXCL);
        native_->fd.store(-1);
        closeDescriptor(fd);
        return 0;
    }
    setModemLine(fd, TIOCM_DTR, true);
    setModemLine(fd, TIOCM_RTS, false);
    open_.store(true);
    WakeReader(); // a reader waiting for the port to open starts watching it now
    return result;
}

int SerialPort::Configure() {
    const int fd = native_->fd.load();
    const speed_t speed = speedFor(settings.baudRate);
    const tcflag_t size = characterSizeFlag(settings.byteSize);
    termios line{};
    if (fd < 0 || speed == B0 || size == 0 || ::tcgetattr(fd, &line) != 0)
        return 0;

    ::cfmakeraw(&line);
    line.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    line.c_cflag |= size | CLOCAL | CREAD;
    line.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY | INPCK);
    switch (settings.parity) {
    case 0:
        break;
    case 1:
        line.c_cflag |= PARENB | PARODD;
        break;
    case 2:
        line.c_cflag |= PARENB;
        break;
    case 3:
        line.c_cflag |= PARENB | PARODD | CMSPAR;
        break;
    case 4:
        line.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        return 0;
    }
    if (settings.parity != 0)
        line.c_iflag |= INPCK;
    if (settings.stopBits != 0)
        line.c_cflag |= CSTOPB;
    if (settings.flowControl & 0x01)
        line.c_iflag |= IXON | IXOFF;
    if (settings.flowControl & 0x02)
        line.c_cflag |= CRTSCTS;
    line.c_cc[VSTART] = 0x11;
    line.c_cc[VSTOP] = 0x13;
    // One character satisfies a read, and with O_NONBLOCK an empty queue reads as EAGAIN, so
    // a read of 0 bytes can only mean the line has hung up.
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 0;
    ::cfsetispeed(&line, speed);
    ::cfsetospeed(&line, speed);
    if (::tcsetattr(fd, TCSANOW, &line) != 0)
        return 0;

    // tcsetattr succeeds when any part was taken; check the parts that matter.
    termios applied{};
    if (::tcgetattr(fd, &applied) != 0 || ::cfgetospeed(&applied) != speed)
        return 0;
    const tcflag_t framing = CSIZE | PARENB | CSTOPB;
    if ((applied.c_cflag & framing) != (line.c_cflag & framing))
        return 0;
    storeCharacterTime();
    return 1;
}

int SerialPort::Close() {
    open_.store(false);
    WakeReader();
    // The reader leaves the device within microseconds once woken; only then is the
    // descriptor released, so its number cannot be reused while the reader still holds it.
    awaitReaderOutside();
    const int fd = native_->fd.exchange(-1);
    if (fd >= 0) {
        setModemLine(fd, TIOCM_DTR, false);
        ::tcflush(fd, TCIOFLUSH);
        restoreSerialFlags(fd, native_->savedSerialFlags);
        ::ioctl(fd, TIOCNXCL);
        closeDescriptor(fd); // also releases the advisory lock
    }
    return 1;
}

std::uint32_t SerialPort::Read(std::uint8_t* buffer, std::uint32_t max) {
    if (!isOpen() || max == 0)
        return 0;
    ReaderPresence presence(*this);
    if (!isOpen() || lineDown_.load())
        return 0;
    for (;;) {
        const ssize_t count = ::read(native_->fd.load(), buffer, max);
        if (count > 0)
            return std::uint32_t(count);
        if (count == 0) {
            markLineDown();
            return 0;
        }
        if (errno == EINTR)
            continue;
        if (errno == EIO)
            markLineDown();
        return 0;
    }
}

int SerialPort::Write(const std::uint8_t* buffer, std::uint32_t count) {
    const int fd = native_->fd.load();
    if (fd < 0)
        return 1;
    const auto deadline = std::chrono::steady_clock::now() + writeCompletionWait;
    while (count > 0) {
        const ssize_t written = ::write(fd, buffer, count);
        if (written > 0) {
            buffer += written;
            count -= std::uint32_t(written);
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno == EAGAIN) {
            const auto left = deadline - std::chrono::steady_clock::now();
            if (left <= 0ns)
                break;
            pollfd out{fd, POLLOUT, 0};
            if (pollFor(&out, 1, left) < 0 || (out.revents & (POLLERR | POLLHUP | POLLNVAL))) {
                if (out.revents & POLLHUP)
                    markLineDown();
                break;
            }
            continue;
        }
        if (written < 0 && errno == EIO)
            markLineDown();
        break;
    }
    return 1;
}

SerialPort::WaitResult SerialPort::WaitForInput(std::chrono::microseconds timeout) {
    const int wake = native_->wakeFd.load();
    {
        ReaderPresence presence(*this);
        if (isOpen() && !lineDown_.load()) {
            pollfd fds[2] = {{native_->fd.load(), POLLIN, 0}, {wake, POLLIN, 0}};
            const int ready = pollFor(fds, wake >= 0 ? 2 : 1, timeout);
            presence.leave();
            if (ready <= 0)
                return WaitResult::timeout;
            if (wake >= 0 && (fds[1].revents & POLLIN)) {
                drainWake(wake);
                return WaitResult::woken;
            }
            if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
                // A hung-up terminal stays "ready" for ever; from now on it is not watched.
                markLineDown();
                return WaitResult::notReadable;
            }
            return WaitResult::input;
        }
    }
    // Closed or hung up: nothing to watch but the wake-up channel.
    if (!SleepUnlessWoken(timeout))
        return WaitResult::woken;
    return WaitResult::notReadable;
}

bool SerialPort::SleepUnlessWoken(std::chrono::microseconds duration) {
    const int wake = native_->wakeFd.load();
    if (wake < 0) {
        std::this_thread::sleep_for(duration);
        return true;
    }
    pollfd fds{wake, POLLIN, 0};
    if (pollFor(&fds, 1, duration) > 0 && (fds.revents & POLLIN)) {
        drainWake(wake);
        return false;
    }
    return true;
}

void SerialPort::WakeReader() {
    const int wake = native_->wakeFd.load();
    if (wake < 0)
        return;
    const std::uint64_t one = 1;
    // Fails only when the counter is saturated, which still leaves it readable.
    [[maybe_unused]] const ssize_t ignored = ::write(wake, &one, sizeof one);
}
