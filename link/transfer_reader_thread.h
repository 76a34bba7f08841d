#pragma once

#include "link/transfer_frame_source.h"

#include <QEvent>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <vector>

class QObject;

// The event that carries one received frame (a copy) to the transfer window's thread.
constexpr QEvent::Type WM_FRAME_RECEIVED = QEvent::Type(QEvent::User + 100);

class TransferFrameEvent : public QEvent {
public:
    TransferFrameEvent(std::uint8_t code, std::span<const std::uint8_t> payload)
        : QEvent(WM_FRAME_RECEIVED), code_(code), payload_(payload.begin(), payload.end()) {}

    std::uint8_t code() const { return code_; }
    std::span<const std::uint8_t> payload() const { return payload_; }

private:
    std::uint8_t code_;
    std::vector<std::uint8_t> payload_;
};

// Polls the frame source until stopped and posts every delivered frame to `receiver`, so it
// never waits for the window. Runs at below-normal priority.
class TransferReaderThread : public QThread {
public:
    TransferReaderThread(TransferFrameSource& source, QObject& receiver);
    ~TransferReaderThread() override;

    // Starts the thread; false when it could not be started.
    bool startReading();
    // Sets the stop flag; the loop ends after its current step.
    void requestStop() {
        stopRequested_.store(true, std::memory_order_release);
        source_.wake();
    }

protected:
    void run() override;

private:
    TransferFrameSource& source_;
    QObject& receiver_;
    std::atomic<bool> stopRequested_{false};
    // Set as run() returns and read after wait(): QThread::wait synchronises through Qt's own
    // primitives, and this makes the hand-over of the thread's last accesses explicit.
    std::atomic<bool> runReturned_{false};
};
