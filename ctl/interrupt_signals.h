#pragma once

#include <QObject>

#include <functional>
#include <memory>

// Turns an interruption into a call on the event loop's thread, so that a transfer can stop
// cleanly instead of dying mid-write. On Linux: SIGINT, SIGTERM and SIGHUP (Ctrl+C, kill, a
// closed SSH session; interrupt_signals_posix.cpp). On Windows: the console's Ctrl+C and
// Ctrl+Break (as SIGINT) and the closing of its window, log-off or shut-down (as SIGHUP, 1;
// interrupt_signals_win32.cpp). One at a time; the previous handlers come back when it is
// destroyed.
class InterruptSignals : public QObject {
public:
    using Handler = std::function<void(int signalNumber)>;

    explicit InterruptSignals(Handler handler);
    ~InterruptSignals() override;

    // False when the handlers could not be installed.
    bool isActive() const { return native_ != nullptr; }

private:
    struct Native; // the platform's hook, defined in the platform's file

    Handler handler_;
    std::unique_ptr<Native> native_;
};
