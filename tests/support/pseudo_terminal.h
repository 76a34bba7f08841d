#pragma once

#include <QString>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

// A pseudo-terminal standing in for a serial cable in tests. The program under test opens
// devicePath() like a COM device; the test plays the receiver on the other (master) end.
// The device side is set to raw mode at once, so nothing written early is echoed or cooked.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool isValid() const { return masterFd_ >= 0 && !devicePath_.isEmpty(); }
    // The terminal device the program opens, e.g. /dev/pts/7.
    QString devicePath() const { return devicePath_; }
    int farEndFd() const { return masterFd_; }

    // Sends bytes towards the program (as the receiver would). False if not all went out.
    bool send(std::span<const std::uint8_t> bytes);
    bool send(std::initializer_list<std::uint8_t> bytes) {
        return send(std::span(bytes.begin(), bytes.size()));
    }
    // Everything the program has written so far, without waiting.
    std::vector<std::uint8_t> receiveAvailable();
    // Waits until `count` bytes written by the program have arrived, or `timeout` passed;
    // returns what arrived (possibly fewer).
    std::vector<std::uint8_t> receive(std::size_t count, std::chrono::milliseconds timeout);
    // Closes the far end: the program's side of the line hangs up, as when a USB adapter is
    // pulled out.
    void hangUp();

private:
    int masterFd_ = -1;
    QString devicePath_;
};

// Points "COM1" to "COM4" of the test's private settings store at the given devices (in
// order) and every port without one at a path that does not exist, so that no test can ever
// reach a real serial port of the machine it runs on.
void routeSerialPorts(std::initializer_list<QString> devices);
