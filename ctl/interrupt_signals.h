#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP (Ctrl+C, kill, a closed SSH session) into a call on the
// event loop's thread, so that a transfer can stop cleanly instead of dying mid-write. One at a
// time; the previous handlers come back when it is destroyed.
class InterruptSignals : public QObject {
public:
    using Handler = std::function<void(int signalNumber)>;

    explicit InterruptSignals(Handler handler);
    ~InterruptSignals() override;

    // False when the handlers could not be installed.
    bool isActive() const { return notifier_ != nullptr; }

private:
    void drain();

    Handler handler_;
    std::unique_ptr<QSocketNotifier> notifier_;
};
