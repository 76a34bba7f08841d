#include "link/transfer_reader_thread.h"

#include "link/event_hand_over.h"
#include "link/transfer_endpoint.h"

#include <QCoreApplication>

TransferReaderThread::TransferReaderThread(TransferFrameSource& source, QObject& receiver)
    : source_(source), receiver_(receiver) {}

TransferReaderThread::~TransferReaderThread() {
    requestStop();
    wait();
    [[maybe_unused]] const bool returned = runReturned_.load(std::memory_order_acquire);
}

bool TransferReaderThread::startReading() {
    stopRequested_.store(false, std::memory_order_release);
    start(QThread::LowPriority);
    return isRunning() || isFinished();
}

void TransferReaderThread::run() {
    const TransferFrameSource::Deliver post = [this](std::uint8_t code,
                                                     std::span<const std::uint8_t> payload) {
        // The event queue takes ownership of the posted event.
        auto* event = new TransferFrameEvent(code, payload);
        handOverPostedEvent(event);
        QCoreApplication::postEvent(&receiver_, event);
    };
    while (!stopRequested_.load(std::memory_order_acquire))
        source_.pollOnce(post);
    runReturned_.store(true, std::memory_order_release);
}

void stopReadingAndClosePort(std::unique_ptr<TransferReaderThread>& reader,
                             TransferEndpoint& endpoint) {
    if (reader)
        reader->requestStop();
    if (endpoint.link->isPortOpen())
        endpoint.link->closePort();
    if (reader) {
        reader->wait();
        reader.reset();
    }
}
