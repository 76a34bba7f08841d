#include "link/frame_reader.h"
#include "link/serial_transfer_link.h"
#include "link/transfer_endpoint.h"

namespace {

// Drives the serial frame reader for the transfer window's reader thread.
class SerialFrameSource : public TransferFrameSource {
public:
    SerialFrameSource(SerialPort& port, const TransferFlags& flags)
        : reader_(port, flags, [this](ReceivedFrame&& frame) {
              if (deliver_)
                  (*deliver_)(frame.code, frame.payload);
          }) {}

    void pollOnce(const Deliver& deliver) override {
        deliver_ = &deliver;
        reader_.pollOnce();
        deliver_ = nullptr;
    }

    void wake() override { reader_.wake(); }

private:
    const Deliver* deliver_ = nullptr;
    FrameReader reader_;
};

} // namespace

namespace {
TransferEndpoint endpointOver(std::unique_ptr<SerialTransferLink> link, TransferFlags& flags) {
    auto source = std::make_unique<SerialFrameSource>(link->port(), flags);
    return {std::move(link), std::move(source)};
}
} // namespace

TransferEndpoint makeSerialEndpoint(TransferFlags& flags) {
    return endpointOver(std::make_unique<SerialTransferLink>(), flags);
}

TransferEndpoint makeSerialEndpointFor(TransferFlags& flags,
                                       std::function<QString(int portNumber)> locator) {
    return endpointOver(std::make_unique<SerialTransferLink>(std::move(locator)), flags);
}
