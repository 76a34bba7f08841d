#include "link/serial_port.h"
#include "tests/support/pseudo_terminal.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

namespace {

class SerialPortTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.isValid());
        ASSERT_EQ(port.CreateEvents(), 0);
        port.settings.portNumber = 2;
    }

    // Reads what arrives within `timeout`.
    Bytes readFor(SerialPort& from, std::chrono::milliseconds timeout) {
        Bytes bytes;
        const auto deadline = Clock::now() + timeout;
        std::uint8_t chunk[256];
        while (Clock::now() < deadline) {
            if (from.WaitForInput(5ms) != SerialPort::WaitResult::input)
                continue;
            const auto count = from.Read(chunk, sizeof chunk);
            bytes.insert(bytes.end(), chunk, chunk + count);
        }
        return bytes;
    }

    PseudoTerminal pty;
    std::vector<int> lookedUp;
    SerialPort::DeviceLocator locator = [this](int number) {
        lookedUp.push_back(number);
        return number == 2 ? pty.devicePath() : QString("/nonexistent/tty%1").arg(number);
    };
    SerialPort port{locator};
};

// Waits for input, looking past wake-ups (Open wakes the reader, for instance).
bool awaitInput(SerialPort& port, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        if (port.WaitForInput(10ms) == SerialPort::WaitResult::input)
            return true;
    }
    return false;
}

double threadCpuMilliseconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

} // namespace

TEST_F(SerialPortTest, OpensOnlyTheMappedDevicesOfPorts1To4) {
    EXPECT_NE(port.Open(), 0);
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.devicePath(), pty.devicePath());
    EXPECT_EQ(port.Close(), 1);
    EXPECT_FALSE(port.isOpen());

    for (const int number : {0, 1, 5, 255}) {
        port.settings.portNumber = std::uint8_t(number);
        EXPECT_EQ(port.Open(), 0) << number;
        EXPECT_FALSE(port.isOpen());
    }
    EXPECT_EQ(lookedUp, (std::vector<int>{2, 1}));

    QTemporaryDir dir;
    QFile plain(dir.filePath("not-a-terminal"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    SerialPort filePort([&](int) { return plain.fileName(); });
    filePort.settings.portNumber = 1;
    EXPECT_EQ(filePort.Open(), 0);
}

TEST_F(SerialPortTest, SetsARawLine115200EightNOneWithoutFlowControl) {
    ASSERT_NE(port.Open(), 0);
    // A privileged test may look past the exclusive mode; otherwise the check is moot.
    const int fd = ::open(pty.devicePath().toLocal8Bit().constData(), O_RDONLY | O_NOCTTY);
    if (fd < 0)
        GTEST_SKIP() << "the device cannot be inspected while held exclusively";
    termios line{};
    ASSERT_EQ(::tcgetattr(fd, &line), 0);
    ::close(fd);
    EXPECT_EQ(::cfgetospeed(&line), speed_t(B115200));
    EXPECT_EQ(::cfgetispeed(&line), speed_t(B115200));
    EXPECT_EQ(line.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_TRUE(line.c_cflag & CLOCAL);
    EXPECT_TRUE(line.c_cflag & CREAD);
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);

    port.settings.baudRate = 12345; // no such line speed
    EXPECT_EQ(port.Configure(), 0);
}

TEST_F(SerialPortTest, IsHeldExclusively) {
    ASSERT_NE(port.Open(), 0);
    SerialPort second(locator);
    second.settings.portNumber = 2;
    EXPECT_EQ(second.Open(), 0);
    EXPECT_FALSE(second.isOpen());

    // A program that does not ask for the advisory lock is kept out by the exclusive mode,
    // unless it is privileged.
    const QByteArray path = pty.devicePath().toLocal8Bit();
    ::chmod(path.constData(), 0666);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && ::setuid(65534) != 0)
            ::_exit(3);
        const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ::_exit(fd < 0 && errno == EBUSY ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    port.Close();
    EXPECT_NE(second.Open(), 0);
}

TEST_F(SerialPortTest, ReadTakesOnlyWhatIsQueuedAndNeverWaits) {
    ASSERT_NE(port.Open(), 0);
    std::uint8_t buffer[64] = {};
    const auto before = Clock::now();
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
    EXPECT_LT(Clock::now() - before, 50ms);

    ASSERT_TRUE(pty.send({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    ASSERT_TRUE(awaitInput(port, 2s));
    EXPECT_EQ(port.Read(buffer, 1), 1u);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 9u);
    EXPECT_EQ(buffer[8], 9);
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);

    ASSERT_TRUE(pty.send({42}));
    ASSERT_TRUE(awaitInput(port, 2s));
    port.Close();
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
    EXPECT_NE(port.WaitForInput(0us), SerialPort::WaitResult::input);
}

TEST_F(SerialPortTest, OpeningDiscardsWhatWasPending) {
    ASSERT_NE(port.Open(), 0);
    ASSERT_TRUE(pty.send({1, 2, 3}));
    ASSERT_TRUE(awaitInput(port, 2s));
    port.Close();
    ASSERT_NE(port.Open(), 0);
    ASSERT_TRUE(pty.send({4}));
    EXPECT_EQ(readFor(port, 100ms), Bytes{4});
}

TEST_F(SerialPortTest, WritesReachTheFarEndAndWriteAlwaysReturnsOne) {
    ASSERT_NE(port.Open(), 0);
    const Bytes probe{0xA5, 0x02, 0x00, 0x11, 0x12};
    EXPECT_EQ(port.Write(probe.data(), std::uint32_t(probe.size())), 1);
    EXPECT_EQ(pty.receive(probe.size(), 2s), probe);
    port.Close();
    EXPECT_EQ(port.Write(probe.data(), std::uint32_t(probe.size())), 1);
    EXPECT_TRUE(pty.receiveAvailable().empty());
}

TEST_F(SerialPortTest, AWriteTheLineCannotTakeIsAbandonedAfterOneSecond) {
    ASSERT_NE(port.Open(), 0);
    // Nobody reads the far end, so the terminal's buffers fill up.
    const Bytes lots(1 << 20, 0x55);
    const auto before = Clock::now();
    EXPECT_EQ(port.Write(lots.data(), std::uint32_t(lots.size())), 1);
    const auto took = Clock::now() - before;
    EXPECT_GE(took, 900ms);
    EXPECT_LT(took, 3s);
}

TEST_F(SerialPortTest, CloseFromAnotherThreadEndsTheReadersWait) {
    ASSERT_NE(port.Open(), 0);
    std::atomic<Clock::time_point> returned{};
    int waits = 0;
    std::thread reader([&] {
        while (port.isOpen()) {
            port.WaitForInput(10s);
            ++waits;
        }
        returned = Clock::now();
    });
    std::this_thread::sleep_for(50ms);
    const auto closing = Clock::now();
    port.Close();
    reader.join();
    EXPECT_LT(returned.load() - closing, 1s);
    EXPECT_LE(waits, 2); // the wake-up from Open, then the one from Close
}

TEST_F(SerialPortTest, ReopeningWhileTheReaderIsBusyIsSafe) {
    std::atomic<bool> stop{false};
    std::atomic<int> received{0};
    std::thread reader([&] {
        std::uint8_t buffer[64];
        while (!stop) {
            if (port.WaitForInput(20ms) == SerialPort::WaitResult::input)
                received += int(port.Read(buffer, sizeof buffer));
        }
    });
    for (int cycle = 0; cycle < 50; ++cycle) {
        ASSERT_NE(port.Open(), 0);
        pty.send({std::uint8_t(cycle)});
        std::this_thread::sleep_for(1ms);
        port.Close();
    }
    stop = true;
    port.WakeReader();
    reader.join();
    EXPECT_GT(received.load(), 0);
}

TEST_F(SerialPortTest, AHungUpLineIsLeftAloneUntilClosed) {
    ASSERT_NE(port.Open(), 0);
    pty.hangUp();

    const double cpuBefore = threadCpuMilliseconds();
    const auto before = Clock::now();
    int waits = 0;
    while (Clock::now() - before < 300ms) {
        port.WaitForInput(50ms);
        ++waits;
    }
    EXPECT_TRUE(port.isLineDown());
    EXPECT_LE(waits, 10); // each wait sleeps its time instead of returning at once
    EXPECT_LT(threadCpuMilliseconds() - cpuBefore, 30.0);

    std::uint8_t buffer[16];
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(port.Write(buffer, sizeof buffer), 1);
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.Close(), 1);
    EXPECT_FALSE(port.isOpen());
}
