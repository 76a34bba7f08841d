#pragma once

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

// Line settings of one COM port. The owner sets them before each Open; every caller in this
// program uses 8 data bits, no parity, one stop bit, no flow control at 115200 baud.
struct PortSettings {
    std::uint8_t portNumber = 0;  // 1 to 4 select COM1 to COM4; anything else opens nothing
    std::uint8_t byteSize = 8;    // data bits, 5 to 8
    std::uint8_t parity = 0;      // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t stopBits = 0;    // 0 one, 1 one and a half (taken as two), 2 two
    std::uint8_t flowControl = 0; // bit 0 XON/XOFF, bit 1 RTS/CTS
    std::uint32_t baudRate = 115200;
};

// One serial port of the receiver link. The device work is the platform's
// (serial_port_posix.cpp: a terminal device; serial_port_win32.cpp: a COM device with
// overlapped I/O); what follows holds on both.
//
// The window thread opens, configures, writes and closes the port; one reader thread calls
// Read and WaitForInput. No lock is held around the device: the reader announces itself while
// it touches the device, and Close wakes it, waits until it has stepped out, and only then
// closes the device, so a device handle is never reused under the reader's feet.
//
// Open takes the device exclusively, sets an 8N1 line without flow control, discards anything
// pending, raises DTR and holds RTS low (a driver that has no modem lines, such as a
// pseudo-terminal, is not an error). A device that hangs up (adapter unplugged, far end of a
// pseudo-terminal closed) is noticed once and then left alone: Read returns 0, Write returns
// 1, and the owner can still Close.
class SerialPort {
public:
    // Maps a port number to a device path; empty means no such port.
    using DeviceLocator = std::function<QString(int portNumber)>;

    // Ports resolve through the per-user "Ports" settings and the devices present.
    SerialPort();
    explicit SerialPort(DeviceLocator locator);
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    PortSettings settings;

    // The reader's wake-up channel. 0 on success, -1 if it cannot be made. Without it the
    // port still works, but a waiting reader notices Close only when its wait times out.
    int CreateEvents();
    // Closes the port if open and releases the wake-up channel; the reader must have stopped.
    int DestroyEvents();

    // Non-zero on success. Fails (0) when the device is missing, not a terminal, held by
    // another program, or rejects the line settings. Must not be called while open.
    int Open();
    // Applies `settings` to the open device; non-zero if the driver accepted them.
    int Configure();
    // Drops DTR, discards both directions, closes the device. Always 1.
    int Close();

    // Reader thread: copies at most `max` bytes already received; never waits. 0 when
    // nothing is queued, the port is closed or the line has hung up.
    std::uint32_t Read(std::uint8_t* buffer, std::uint32_t max);
    // Window thread: writes `count` bytes, waiting at most 1000 ms for the driver to take
    // them; what it has not taken by then is abandoned, so no write ever overlaps the next.
    // Always 1, also when closed or hung up.
    int Write(const std::uint8_t* buffer, std::uint32_t count);

    enum class WaitResult { input, timeout, woken, notReadable };
    // Reader thread: waits until input is queued, the wait is interrupted (Close, Open,
    // WakeReader) or `timeout` passes. While the port is closed or hung up it waits only for
    // an interruption or the time-out (notReadable), so a dead line never makes the reader spin.
    WaitResult WaitForInput(std::chrono::microseconds timeout);
    // Reader thread: sleeps for `duration` unless interrupted first; false if interrupted.
    bool SleepUnlessWoken(std::chrono::microseconds duration);
    // Any thread: interrupts the reader's current or next wait (used to stop the reader).
    void WakeReader();

    bool isOpen() const { return open_.load(); }
    // True after the device reported a hang-up; cleared by the next Open.
    bool isLineDown() const { return lineDown_.load(); }
    // The device path of the last Open attempt.
    QString devicePath() const { return devicePath_; }
    // Time one character takes on the line with the settings of the last successful
    // Configure (the default settings before). Safe to call from the reader thread.
    std::chrono::nanoseconds characterTime() const;
    static std::chrono::nanoseconds characterTimeFor(const PortSettings& settings);

private:
    // Marks the reader as touching the device for as long as it lives.
    class ReaderPresence {
    public:
        explicit ReaderPresence(SerialPort& port) : port_(port) {
            port_.readersInside_.fetch_add(1);
        }
        ~ReaderPresence() { leave(); }
        void leave() {
            if (left_)
                return;
            left_ = true;
            if (port_.readersInside_.fetch_sub(1) == 1)
                port_.announceReaderOutside();
        }
        ReaderPresence(const ReaderPresence&) = delete;
        ReaderPresence& operator=(const ReaderPresence&) = delete;

    private:
        SerialPort& port_;
        bool left_ = false;
    };
    // The platform's device and wake-up state, defined in the platform's file.
    struct Native;

    void markLineDown() { lineDown_.store(true); }
    // Window thread, in Close: waits until the reader has left the device.
    void awaitReaderOutside();
    // Reader thread, on leaving the device as the last one inside.
    void announceReaderOutside();
    void storeCharacterTime() {
        // The reader thread paces itself by this; it must never see `settings` being assigned.
        characterTimeNs_.store(characterTimeFor(settings).count(), std::memory_order_release);
    }

    DeviceLocator locator_;
    QString devicePath_;
    std::unique_ptr<Native> native_;
    std::atomic<bool> open_{false};
    std::atomic<bool> lineDown_{false};
    std::atomic<int> readersInside_{0};
    // Only Close waits on these, and the reader takes the mutex only to say it has left: a
    // condition variable rather than std::atomic::wait, whose fallback where there is no futex
    // (MinGW's C++ library) can miss that notification and leave Close waiting for ever.
    std::mutex readerOutsideMutex_;
    std::condition_variable readerOutside_;
    std::atomic<std::int64_t> characterTimeNs_{characterTimeFor(PortSettings{}).count()};
};
