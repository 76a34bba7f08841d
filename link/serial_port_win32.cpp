// SerialPort on a Windows COM device: CreateFileW on \\.\COMn (exclusive by nature), a DCB
// for the line, overlapped reads and writes.
//
// The reader waits for input with a pending overlapped read of one byte and the wake-up
// event at once (WaitForMultipleObjects), the counterpart of ppoll on the terminal and the
// eventfd on Linux. WaitCommEvent is not used, nor the MAXDWORD/MAXDWORD/N read time-out:
// drivers differ in both (Wine's serial layer aborts the first after 10 ms and never completes
// the second). The byte that the pending read takes is held and handed out first by the
// next Read; Read itself takes only what the driver reports queued (ClearCommError), so it
// never waits for the line.
//
// Time-outs: reads have no interval time-out and a total of 1000 ms, so a pending read is
// never left for ever whatever happens to cancellation; writes have a total of 5000 ms, and
// Write gives up waiting after 1000 ms, cancelling what is left so that no write overlaps the
// next.
//
// DTR and RTS are set with EscapeCommFunction. A driver that refuses (Wine on a
// pseudo-terminal answers ERROR_INVALID_PARAMETER) is a driver without modem lines, not a
// failure to open.
#include "link/serial_port.h"

#include "link/serial_device_map.h"

#include <thread>

#include <windows.h>

namespace {

constexpr DWORD queueSize = 2048;
constexpr DWORD readTotalTimeoutMs = 1000;
constexpr DWORD writeTotalTimeoutMs = 5000;
constexpr DWORD completionWaitMs = 1000;

// Errors by which a driver says its device is gone (adapter unplugged, far end hung up).
bool meansDeviceGone(DWORD error) {
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_COMMAND:
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_GEN_FAILURE:
    case ERROR_INVALID_HANDLE:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_BROKEN_PIPE: // Wine, for a read on a pseudo-terminal whose far end has gone
    case ERROR_HANDLE_EOF:
    case ERROR_NOT_READY: // Wine, for a pseudo-terminal whose far end has gone
        return true;
    default:
        return false;
    }
}

// Milliseconds for a wait, rounded up so that a short wait still waits.
DWORD waitMilliseconds(std::chrono::microseconds duration) {
    if (duration <= std::chrono::microseconds::zero())
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(duration).count();
    return ms >= INFINITE ? INFINITE - 1 : DWORD(ms);
}

BYTE stopBitsCode(std::uint8_t stopBits) {
    switch (stopBits) {
    case 0:
        return ONESTOPBIT;
    case 1:
        return ONE5STOPBITS;
    default:
        return TWOSTOPBITS;
    }
}

std::wstring wide(const QString& text) {
    return text.toStdWString();
}

} // namespace

// The device handle, the wake-up event and the two overlapped records. The read state
// (readPending, byteHeld, heldByte) belongs to the reader thread, and to Close once the
// reader has stepped out.
struct SerialPort::Native {
    std::atomic<HANDLE> handle{INVALID_HANDLE_VALUE};
    HANDLE wakeEvent = nullptr;  // auto-reset: one wake-up ends one wait
    HANDLE readEvent = nullptr;  // manual-reset, owned by readRecord
    HANDLE writeEvent = nullptr; // manual-reset, owned by writeRecord
    OVERLAPPED readRecord{};
    OVERLAPPED writeRecord{};
    bool readPending = false;
    bool byteHeld = false;
    std::uint8_t heldByte = 0;

    bool hasEvents() const { return readEvent != nullptr && writeEvent != nullptr; }

    // Starts an overlapped read into `buffer`; the record is cleared first.
    BOOL startRead(HANDLE device, void* buffer, DWORD count, DWORD* done) {
        readRecord = OVERLAPPED{};
        readRecord.hEvent = readEvent;
        ::ResetEvent(readEvent);
        return ::ReadFile(device, buffer, count, done, &readRecord);
    }

    // Ends the pending one-byte read (Close): cancels it and waits until the driver has let
    // go of the record and the byte.
    void abandonRead(HANDLE device) {
        if (readPending) {
            ::CancelIoEx(device, &readRecord);
            DWORD done = 0;
            if (::WaitForSingleObject(readEvent, completionWaitMs) == WAIT_OBJECT_0)
                ::GetOverlappedResult(device, &readRecord, &done, FALSE);
            readPending = false;
        }
        byteHeld = false;
    }
};

SerialPort::SerialPort(DeviceLocator locator)
    : locator_(std::move(locator)), native_(std::make_unique<Native>()) {}

SerialPort::~SerialPort() {
    DestroyEvents();
}

int SerialPort::CreateEvents() {
    Native& n = *native_;
    if (n.hasEvents() && n.wakeEvent != nullptr)
        return 0;
    if (n.readEvent == nullptr)
        n.readEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (n.writeEvent == nullptr)
        n.writeEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (n.wakeEvent == nullptr)
        n.wakeEvent = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (n.hasEvents() && n.wakeEvent != nullptr)
        return 0;
    for (HANDLE* event : {&n.readEvent, &n.writeEvent, &n.wakeEvent}) {
        if (*event != nullptr)
            ::CloseHandle(*event);
        *event = nullptr;
    }
    return -1;
}

int SerialPort::DestroyEvents() {
    if (isOpen() || native_->handle.load() != INVALID_HANDLE_VALUE)
        Close();
    Native& n = *native_;
    for (HANDLE* event : {&n.readEvent, &n.writeEvent, &n.wakeEvent}) {
        if (*event != nullptr)
            ::CloseHandle(*event);
        *event = nullptr;
    }
    return 1;
}

int SerialPort::Open() {
    if (isOpen() || native_->handle.load() != INVALID_HANDLE_VALUE)
        Close();
    const int number = settings.portNumber;
    devicePath_ = number >= 1 && number <= serialPortCount ? locator_(number) : QString();
    if (devicePath_.isEmpty())
        return 0;
    // Overlapped I/O needs its events; an owner that skipped CreateEvents gets them here.
    if (!native_->hasEvents() && CreateEvents() != 0)
        return 0;

    const HANDLE device =
        ::CreateFileW(wide(devicePath_).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE)
        return 0;
    // Only a communications device has a line state; a file or a pipe does not.
    DCB probe{};
    probe.DCBlength = sizeof probe;
    if (::GetFileType(device) != FILE_TYPE_CHAR || !::GetCommState(device, &probe)) {
        ::CloseHandle(device);
        return 0;
    }
    ::SetupComm(device, queueSize, queueSize);
    ::PurgeComm(device, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = readTotalTimeoutMs;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = writeTotalTimeoutMs;
    if (!::SetCommTimeouts(device, &timeouts)) {
        ::CloseHandle(device);
        return 0;
    }
    native_->handle.store(device);
    lineDown_.store(false);

    const int result = Configure();
    if (result == 0) {
        native_->handle.store(INVALID_HANDLE_VALUE);
        ::CloseHandle(device);
        return 0;
    }
    // Failing here means a driver without modem lines (see above); the line still works.
    ::EscapeCommFunction(device, SETDTR);
    ::EscapeCommFunction(device, CLRRTS);
    open_.store(true);
    WakeReader(); // a reader waiting for the port to open starts watching it now
    return result;
}

int SerialPort::Configure() {
    const HANDLE device = native_->handle.load();
    if (device == INVALID_HANDLE_VALUE || settings.byteSize < 5 || settings.byteSize > 8 ||
        settings.parity > 4 || settings.stopBits > 2 || settings.baudRate == 0)
        return 0;
    DCB line{};
    line.DCBlength = sizeof line;
    ::GetCommState(device, &line); // only a starting point: every member that matters is set
    line.DCBlength = sizeof line;
    line.BaudRate = settings.baudRate;
    line.ByteSize = settings.byteSize;
    line.Parity = settings.parity;
    line.StopBits = stopBitsCode(settings.stopBits);
    line.fBinary = TRUE;
    line.fParity = TRUE;
    const bool xonXoff = settings.flowControl & 0x01;
    const bool rtsCts = settings.flowControl & 0x02;
    line.fOutxDsrFlow = xonXoff || rtsCts;
    line.fDtrControl = xonXoff || rtsCts ? DTR_CONTROL_HANDSHAKE : DTR_CONTROL_DISABLE;
    line.fOutxCtsFlow = rtsCts;
    line.fRtsControl = rtsCts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_DISABLE;
    line.fOutX = xonXoff;
    line.fInX = xonXoff;
    line.fDsrSensitivity = FALSE;
    line.fNull = FALSE;
    line.fAbortOnError = FALSE; // a line error must not stall every later read
    line.XonChar = 0x11;
    line.XoffChar = 0x13;
    line.XonLim = 100;
    line.XoffLim = 100;
    if (!::SetCommState(device, &line))
        return 0;
    storeCharacterTime();
    return 1;
}

int SerialPort::Close() {
    open_.store(false);
    WakeReader();
    awaitReaderOutside();
    const HANDLE device = native_->handle.exchange(INVALID_HANDLE_VALUE);
    if (device != INVALID_HANDLE_VALUE) {
        ::EscapeCommFunction(device, CLRDTR);
        ::PurgeComm(device, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
        native_->abandonRead(device);
        ::CloseHandle(device);
    }
    native_->byteHeld = false;
    native_->readPending = false;
    return 1;
}

std::uint32_t SerialPort::Read(std::uint8_t* buffer, std::uint32_t max) {
    if (!isOpen() || max == 0)
        return 0;
    ReaderPresence presence(*this);
    if (!isOpen() || lineDown_.load())
        return 0;
    Native& n = *native_;
    const HANDLE device = n.handle.load();
    std::uint32_t count = 0;

    // The byte a wait took comes first.
    if (n.readPending) {
        DWORD done = 0;
        if (::GetOverlappedResult(device, &n.readRecord, &done, FALSE)) {
            n.readPending = false;
            n.byteHeld = done == 1;
        } else {
            const DWORD error = ::GetLastError();
            if (error == ERROR_IO_INCOMPLETE)
                return 0; // nothing has arrived: the driver's queue is empty
            n.readPending = false;
            if (meansDeviceGone(error))
                markLineDown();
            return 0;
        }
    }
    if (n.byteHeld) {
        buffer[count++] = n.heldByte;
        n.byteHeld = false;
    }

    // Then what the driver holds, never more: a read of queued bytes completes at once.
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(device, &errors, &status)) {
        if (meansDeviceGone(::GetLastError()))
            markLineDown();
        return count;
    }
    const DWORD request = std::min<DWORD>(max - count, status.cbInQue);
    if (request == 0)
        return count;
    DWORD done = 0;
    if (!n.startRead(device, buffer + count, request, &done)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_IO_PENDING) {
            if (meansDeviceGone(error))
                markLineDown();
            return count;
        }
        // The bytes were queued, so this is short; the buffer is the caller's, so the read
        // must be over (completed or cancelled) before returning in any case.
        if (::WaitForSingleObject(n.readEvent, completionWaitMs) != WAIT_OBJECT_0)
            ::CancelIoEx(device, &n.readRecord);
        if (!::GetOverlappedResult(device, &n.readRecord, &done, TRUE)) {
            if (meansDeviceGone(::GetLastError()))
                markLineDown();
            done = 0;
        }
    }
    return count + std::uint32_t(done);
}

int SerialPort::Write(const std::uint8_t* buffer, std::uint32_t count) {
    const HANDLE device = native_->handle.load();
    if (device == INVALID_HANDLE_VALUE || count == 0 || native_->writeEvent == nullptr)
        return 1;
    Native& n = *native_;
    n.writeRecord = OVERLAPPED{};
    n.writeRecord.hEvent = n.writeEvent;
    ::ResetEvent(n.writeEvent);
    DWORD done = 0;
    if (::WriteFile(device, buffer, count, &done, &n.writeRecord))
        return 1;
    const DWORD error = ::GetLastError();
    if (error != ERROR_IO_PENDING) {
        if (meansDeviceGone(error))
            markLineDown();
        return 1;
    }
    // What the driver has not taken within the completion wait is abandoned, and the record
    // is free again before the next write.
    if (::WaitForSingleObject(n.writeEvent, completionWaitMs) != WAIT_OBJECT_0)
        ::CancelIoEx(device, &n.writeRecord);
    if (!::GetOverlappedResult(device, &n.writeRecord, &done, TRUE) &&
        meansDeviceGone(::GetLastError()))
        markLineDown();
    return 1;
}

SerialPort::WaitResult SerialPort::WaitForInput(std::chrono::microseconds timeout) {
    Native& n = *native_;
    {
        ReaderPresence presence(*this);
        if (isOpen() && !lineDown_.load()) {
            const HANDLE device = n.handle.load();
            if (n.byteHeld)
                return WaitResult::input;
            if (!n.readPending) {
                DWORD errors = 0;
                COMSTAT status{};
                if (!::ClearCommError(device, &errors, &status)) {
                    if (meansDeviceGone(::GetLastError())) {
                        markLineDown();
                        return WaitResult::notReadable;
                    }
                } else if (status.cbInQue > 0) {
                    return WaitResult::input;
                }
                DWORD done = 0;
                if (n.startRead(device, &n.heldByte, 1, &done)) {
                    n.byteHeld = done == 1;
                    return n.byteHeld ? WaitResult::input : WaitResult::timeout;
                }
                const DWORD error = ::GetLastError();
                if (error != ERROR_IO_PENDING) {
                    if (meansDeviceGone(error)) {
                        markLineDown();
                        return WaitResult::notReadable;
                    }
                    presence.leave();
                    return SleepUnlessWoken(timeout) ? WaitResult::timeout : WaitResult::woken;
                }
                n.readPending = true;
            }
            const HANDLE events[2] = {n.readEvent, n.wakeEvent};
            const DWORD ready = ::WaitForMultipleObjects(n.wakeEvent != nullptr ? 2 : 1, events,
                                                         FALSE, waitMilliseconds(timeout));
            if (ready == WAIT_OBJECT_0 + 1)
                return WaitResult::woken;
            if (ready != WAIT_OBJECT_0)
                return WaitResult::timeout;
            DWORD done = 0;
            n.readPending = false;
            if (::GetOverlappedResult(device, &n.readRecord, &done, FALSE)) {
                n.byteHeld = done == 1;
                // No byte within the read's own time-out: the caller waits again.
                return n.byteHeld ? WaitResult::input : WaitResult::timeout;
            }
            const DWORD error = ::GetLastError();
            if (meansDeviceGone(error)) {
                markLineDown();
                return WaitResult::notReadable;
            }
            return WaitResult::timeout; // cancelled by a purge; the next wait starts again
        }
    }
    // Closed or hung up: nothing to watch but the wake-up event.
    if (!SleepUnlessWoken(timeout))
        return WaitResult::woken;
    return WaitResult::notReadable;
}

bool SerialPort::SleepUnlessWoken(std::chrono::microseconds duration) {
    const HANDLE wake = native_->wakeEvent;
    if (wake == nullptr) {
        std::this_thread::sleep_for(duration);
        return true;
    }
    return ::WaitForSingleObject(wake, waitMilliseconds(duration)) != WAIT_OBJECT_0;
}

void SerialPort::WakeReader() {
    if (native_->wakeEvent != nullptr)
        ::SetEvent(native_->wakeEvent);
}
