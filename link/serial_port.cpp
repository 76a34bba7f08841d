// What SerialPort does the same way on every platform; the device work is in
// serial_port_posix.cpp and serial_port_win32.cpp.
#include "link/serial_port.h"

#include "base/settings_store.h"
#include "link/serial_device_map.h"

SerialPort::SerialPort()
    : SerialPort([](int portNumber) { return serialDevicePath(portNumber, SettingsStore()); }) {}

void SerialPort::awaitReaderOutside() {
    // The reader leaves the device within microseconds once woken; only then may the device
    // be released, so its handle cannot be reused while the reader still holds it.
    std::unique_lock lock(readerOutsideMutex_);
    readerOutside_.wait(lock, [this] { return readersInside_.load() == 0; });
}

void SerialPort::announceReaderOutside() {
    // Taking the mutex orders this after Close's check of the count, so the notification
    // cannot fall between that check and Close's wait.
    { const std::lock_guard lock(readerOutsideMutex_); }
    readerOutside_.notify_all();
}

std::chrono::nanoseconds SerialPort::characterTime() const {
    return std::chrono::nanoseconds(characterTimeNs_.load(std::memory_order_acquire));
}

std::chrono::nanoseconds SerialPort::characterTimeFor(const PortSettings& settings) {
    const int stop = settings.stopBits == 0 ? 1 : 2;
    const int bits = 1 + settings.byteSize + (settings.parity != 0 ? 1 : 0) + stop;
    const std::uint32_t baud = settings.baudRate == 0 ? 115200 : settings.baudRate;
    return std::chrono::nanoseconds(std::int64_t(bits) * 1'000'000'000 / baud);
}
