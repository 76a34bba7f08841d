// Drives the transfer state machine with an arbitrary script of received frames and boot
// bytes, timer ticks, button presses, boot-mode answers and ports coming and going, and checks
// that it never writes out of bounds, never sends more than a frame, keeps the shared state
// word in step and falls silent once the window is closing.
//
// Script: byte 0 picks the kind of transfer and the image size, then one event per step:
//   0 tick, 1 button, 2 frame (code, u16 size, payload), 3 boot byte, 4 ports (mask),
//   5 next boot-mode answer.
#include "link/message_codes.h"
#include "link/transfer_machine.h"
#include "tests/transfer/fake_link.h"

#include <cstdlib>
#include <deque>

namespace {

class QuietView : public TransferView {
public:
    int nextPromptAnswer = -1;
    bool closed = false;

    void setCaption(const QString&) override {}
    void setStatus(const QString&) override {}
    void setButton(const QString&, bool) override {}
    void setButtonEnabled(bool) override {}
    void setTransferRange(int maximum) override { check(maximum >= 0); }
    void setTransferPosition(int position) override { check(position >= 0); }
    void setWriteRange(int maximum) override { check(maximum == 10 || maximum == 124); }
    void setWritePosition(int position) override { check(position >= 0 && position <= 124); }
    void hideWriteBar() override {}
    void showError(const QString&) override {}
    void requestClose() override { closed = true; }
    void endWithCancel() override { closed = true; }
    int saveUpload(std::span<const std::uint8_t> image) override {
        check(image.size() >= 14 && image.size() <= UploadBuffer::capacity);
        return image[5] & 1 ? 0 : -2;
    }
    void clearChannelPath() override {}
    int readComPort() override { return 2; }
    void writeComPort(int port) override { check(port >= 1 && port <= 4); }
    int askBootModePort(int) override { return nextPromptAnswer; }

    static void check(bool condition) {
        if (!condition)
            std::abort();
    }
};

class Script {
public:
    Script(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool done() const { return pos_ >= size_; }
    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    Bytes bytes(std::size_t count) {
        Bytes out;
        while (out.size() < count && pos_ < size_)
            out.push_back(data_[pos_++]);
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Script script(data, size);
    TransferFlags flags;
    QuietView view;
    FakeLink link;
    TransferMachine machine(view, link, flags);
    machine.setClock([] { return QDateTime(QDate(2024, 1, 2), QTime(3, 4), Qt::UTC); });

    const std::uint8_t setup = script.byte();
    const std::size_t length = 35 + std::size_t(setup >> 2) * 131;
    Bytes image(length);
    for (std::size_t i = 0; i < length; ++i)
        image[i] = std::uint8_t(i * 7);
    switch (setup % 3) {
    case 0:
        machine.setFirmware({IdentificationRecord::fromBytes(image.data()), image});
        break;
    case 1: {
        image[0] = 'C';
        image[1] = 'D';
        image[2] = 'F';
        wire::putU32(image.data() + 10, std::uint32_t(length - 14));
        machine.setChannelDownload(image);
        break;
    }
    default:
        machine.setChannelUpload();
        break;
    }
    machine.showKind();
    if (!machine.startProbing())
        return 0;

    while (!script.done()) {
        const std::size_t writesBefore = link.writes.size();
        const bool finishedBefore = machine.finished();
        switch (script.byte() % 6) {
        case 0:
            machine.onTick();
            break;
        case 1:
            machine.onButton();
            break;
        case 2: {
            const std::uint8_t code = script.byte();
            const std::size_t payloadSize = (script.byte() | script.byte() << 8) % 1027;
            const Bytes payload = script.bytes(payloadSize);
            machine.onFrame(code, payload);
            break;
        }
        case 3:
            machine.onFrame(script.byte() % 16, script.bytes(8));
            break;
        case 4: {
            const std::uint8_t mask = script.byte();
            link.availablePorts.clear();
            for (int port = 1; port <= 4; ++port)
                if (mask & (1 << (port - 1)))
                    link.availablePorts.insert(port);
            break;
        }
        default:
            view.nextPromptAnswer = int(script.byte() % 6) - 1;
            break;
        }
        QuietView::check(flags.state.load() == int(machine.state()));
        QuietView::check(!flags.receivePaused.load());
        QuietView::check(!finishedBefore || link.writes.size() == writesBefore);
        for (std::size_t i = writesBefore; i < link.writes.size(); ++i)
            QuietView::check(link.writes[i].size() <= wire::maxFrameSize);
        if (const UploadBuffer* upload = machine.uploadBuffer())
            QuietView::check(upload->image().size() <= UploadBuffer::capacity);
        if (machine.state() == TransferState::UploadReceiving)
            QuietView::check(std::uint64_t(machine.block()) * 1024 < machine.length());
        // Keep memory bounded on long scripts.
        if (link.writes.size() > 4096)
            link.writes.erase(link.writes.begin(), link.writes.end() - 1);
    }
    return 0;
}
