#include "link/transfer_machine.h"

#include "channels/channel_file_generator.h"
#include "link/message_codes.h"
#include "tests/transfer/fake_link.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <numeric>

namespace {

// A window that records everything the machine shows and answers its questions from
// scripted values.
class FakeView : public TransferView {
public:
    explicit FakeView(TransferFlags& flags) : flags_(flags) {}

    QString caption;
    QString status;
    std::vector<QString> statuses;
    QString buttonText = QStringLiteral("START");
    bool buttonEnabled = false;
    int transferMaximum = -1;
    int transferPosition = -1;
    int writeMaximum = -1;
    int writePosition = -1;
    bool writeBarHidden = false;
    std::vector<QString> errors;
    int closeRequests = 0;
    int cancelEnds = 0;
    std::vector<Bytes> savedImages;
    int saveResult = 0;
    bool channelPathCleared = false;
    int comSetting = 0;
    std::vector<int> comWrites;
    std::deque<int> promptAnswers;
    std::vector<int> promptPresets;
    std::vector<bool> pausedDuringPrompt;
    std::function<void()> whilePromptOpen;

    void setCaption(const QString& text) override { caption = text; }
    void setStatus(const QString& text) override {
        status = text;
        statuses.push_back(text);
    }
    void setButton(const QString& text, bool enabled) override {
        buttonText = text;
        buttonEnabled = enabled;
    }
    void setButtonEnabled(bool enabled) override { buttonEnabled = enabled; }
    void setTransferRange(int maximum) override { transferMaximum = maximum; }
    void setTransferPosition(int position) override { transferPosition = position; }
    void setWriteRange(int maximum) override { writeMaximum = maximum; }
    void setWritePosition(int position) override { writePosition = position; }
    void hideWriteBar() override { writeBarHidden = true; }
    void showError(const QString& text) override { errors.push_back(text); }
    void requestClose() override { ++closeRequests; }
    void endWithCancel() override { ++cancelEnds; }
    int saveUpload(std::span<const std::uint8_t> image) override {
        savedImages.emplace_back(image.begin(), image.end());
        return saveResult;
    }
    void clearChannelPath() override { channelPathCleared = true; }
    int readComPort() override { return comSetting; }
    void writeComPort(int port) override {
        comSetting = port;
        comWrites.push_back(port);
    }
    int askBootModePort(int presetIndex) override {
        promptPresets.push_back(presetIndex);
        pausedDuringPrompt.push_back(flags_.receivePaused.load());
        if (whilePromptOpen)
            whilePromptOpen();
        if (promptAnswers.empty())
            return -1;
        const int answer = promptAnswers.front();
        promptAnswers.pop_front();
        return answer;
    }

    bool closed() const { return closeRequests + cancelEnds > 0; }

private:
    TransferFlags& flags_;
};

Bytes identPayload(std::uint8_t d1, std::uint8_t d2, std::uint8_t d3) {
    return {0x52, 0x58, 0x77, 0x00, d1, d2, d3, 0xFF};
}

Bytes patternImage(std::size_t size, unsigned seed = 7) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = std::uint8_t((i * 31 + seed) ^ (i >> 8));
    return bytes;
}

// A Channel Data File: header with the given date, `body`.
Bytes channelFile(const Bytes& body) {
    Bytes file{'C', 'D', 'F', 2, 0x05, 6, 12, 2, 14, 5, 0, 0, 0, 0};
    wire::putU32(file.data() + 10, std::uint32_t(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

Bytes uploadStart(std::uint8_t status, std::uint32_t length) {
    Bytes payload{status, 0, 0, 0, 0};
    wire::putU32(payload.data() + 1, length);
    return payload;
}

Bytes slice(const Bytes& bytes, std::size_t offset, std::size_t count) {
    return Bytes(bytes.begin() + std::ptrdiff_t(offset),
                 bytes.begin() + std::ptrdiff_t(offset + count));
}

class TransferMachineTest : public ::testing::Test {
public: // the scenario table of the parametrized tests drives the fixture from outside
    TransferFlags flags;
    FakeView view{flags};
    FakeLink link;
    TransferMachine machine{view, link, flags};
    Bytes image;
    Bytes file;
    QDateTime now{QDate(2024, 3, 9), QTime(7, 5), Qt::UTC};

    void SetUp() override {
        machine.setClock([this] { return now; });
    }

    void startFirmware(std::size_t length, Bytes ident = identPayload(3, 1, 0)) {
        image = patternImage(length);
        FirmwareImage firmware{IdentificationRecord::fromBytes(ident.data()), image};
        machine.setFirmware(firmware);
        machine.showKind();
        ASSERT_TRUE(machine.startProbing());
    }
    void startDownload(const Bytes& body) {
        file = channelFile(body);
        ASSERT_TRUE(machine.setChannelDownload(file));
        machine.showKind();
        ASSERT_TRUE(machine.startProbing());
    }
    void startUpload() {
        machine.setChannelUpload();
        machine.showKind();
        ASSERT_TRUE(machine.startProbing());
    }

    void frame(std::uint8_t code, const Bytes& payload = {}) { machine.onFrame(code, payload); }
    void detect(Bytes ident = identPayload(3, 1, 0)) { frame(RSP_IDENT, ident); }

    // From detection to the boot loader asking for the first item.
    void runToBootSending() {
        detect();
        machine.onButton();
        frame(BL_HELLO);
        frame(BL_INFO, identPayload(0, 0, 1));
        frame(BL_NEXT);
        ASSERT_EQ(machine.state(), TransferState::BootSending);
    }
    // Upload started and accepted with body length `length`.
    void runToUploadReceiving(std::uint32_t length) {
        startUpload();
        detect();
        machine.onButton();
        frame(RSP_CHANNEL_OPEN, {2, 0x05});
        frame(RSP_UPLOAD_START, uploadStart(0, length));
        ASSERT_EQ(machine.state(), TransferState::UploadReceiving);
    }
    void runToDownloadSending(const Bytes& body) {
        startDownload(body);
        detect();
        machine.onButton();
        frame(RSP_CHANNEL_OPEN, {2, 0x05});
        frame(RSP_DOWNLOAD_START, {0});
        ASSERT_EQ(machine.state(), TransferState::DownloadSending);
    }
};

// ---------------------------------------------------------------------------------------
// Window start and detection

TEST_F(TransferMachineTest, FirmwareStartShowsVersionAndBarsThenProbesOnFirstPort) {
    startFirmware(5000, identPayload(2, 0, 5));
    EXPECT_EQ(view.caption, "Firmware download - version 2.05");
    EXPECT_EQ(view.transferMaximum, 4);
    EXPECT_EQ(view.transferPosition, 0);
    EXPECT_EQ(view.writeMaximum, 124);
    EXPECT_EQ(view.writePosition, 0);
    EXPECT_FALSE(view.writeBarHidden);
    EXPECT_EQ(link.openPortNumber, 1);
    EXPECT_EQ(view.status, "COM1...");
    EXPECT_EQ(machine.state(), TransferState::Probing);
    EXPECT_EQ(flags.state.load(), 1);
    EXPECT_EQ(machine.firstOpenedPort(), 1);
    EXPECT_EQ(link.writes, std::vector<Bytes>{(Bytes{0xA5, 0x02, 0x00, 0x11, 0x12})});
    EXPECT_FALSE(view.buttonEnabled);
}

TEST_F(TransferMachineTest, FirmwareWithOutOfRangeDigitHasUnknownVersion) {
    startFirmware(100, identPayload(2, 0, 255));
    EXPECT_EQ(view.caption, "Firmware download - version [unknown]");
    EXPECT_EQ(view.transferMaximum, 0);
}

TEST_F(TransferMachineTest, ChannelDownloadCaptionComesFromTheFileHeader) {
    startDownload(patternImage(3000));
    EXPECT_EQ(view.caption, "Channel data download - 2002-12-06 14:05");
    EXPECT_EQ(view.transferMaximum, 2);
    EXPECT_TRUE(view.writeBarHidden);
    EXPECT_EQ(machine.length(), 3000u);
    EXPECT_EQ(machine.layout(), 2);
    EXPECT_EQ(machine.headerFlags(), 0x05);
}

TEST_F(TransferMachineTest, DownloadOfAFileShorterThanItsHeaderIsNotTaken) {
    const Bytes shortFile{'C', 'D', 'F'};
    EXPECT_FALSE(machine.setChannelDownload(shortFile));
}

TEST_F(TransferMachineTest, UploadCaptionShowsCurrentGmtTime) {
    startUpload();
    EXPECT_EQ(view.caption, "Channel data upload - 2024-03-09 07:05 (GMT)");
    EXPECT_TRUE(view.writeBarHidden);
    EXPECT_EQ(machine.savedTime(), (CdfTimestamp{9, 3, 24, 7, 5}));
}

TEST_F(TransferMachineTest, NoPortAtStartTellsTheUserAndCloses) {
    link.availablePorts.clear();
    image = patternImage(100);
    machine.setFirmware({IdentificationRecord{}, image});
    machine.showKind();
    EXPECT_FALSE(machine.startProbing());
    EXPECT_EQ(link.openAttempts, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(view.errors, std::vector<QString>{"No available COM port..."});
    EXPECT_EQ(view.closeRequests, 1);
    EXPECT_TRUE(link.writes.empty());
    machine.onTick();
    machine.onButton();
    EXPECT_EQ(link.openAttempts.size(), 4u);
    EXPECT_EQ(view.errors.size(), 1u);
}

TEST_F(TransferMachineTest, ScanSkipsPortsThatDoNotOpen) {
    link.availablePorts = {3};
    startFirmware(100);
    EXPECT_EQ(link.openAttempts, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(view.status, "COM3...");
    EXPECT_EQ(machine.currentPort(), 3);
    EXPECT_EQ(machine.firstOpenedPort(), 3);
}

TEST_F(TransferMachineTest, IdentificationShowsVersionEnablesStartAndStoresPort) {
    link.availablePorts = {2};
    startFirmware(100);
    detect(identPayload(1, 2, 3));
    EXPECT_EQ(view.status, "Version 1.23 detected...");
    EXPECT_EQ(machine.state(), TransferState::Detected);
    EXPECT_EQ(machine.detectedPort(), 2);
    EXPECT_TRUE(view.buttonEnabled);
    EXPECT_EQ(view.comWrites, std::vector<int>{2});
    EXPECT_EQ(machine.receiverIdent().digit(0), 1);
}

TEST_F(TransferMachineTest, IdentificationWithDigitAboveNineIsUnknown) {
    startFirmware(100);
    detect(identPayload(1, 10, 3));
    EXPECT_EQ(view.status, "Version [unknown] detected...");
}

TEST_F(TransferMachineTest, ShortIdentificationIsDropped) {
    startFirmware(100);
    frame(RSP_IDENT, {1, 2, 3, 4, 1, 2, 3});
    EXPECT_EQ(machine.state(), TransferState::Probing);
    EXPECT_EQ(machine.detectedPort(), 0);
    EXPECT_TRUE(view.comWrites.empty());
}

TEST_F(TransferMachineTest, AnsweringReceiverKeepsThePortAndSilentOneMovesTheScanOn) {
    startFirmware(100);
    detect();
    machine.onTick(); // state 2: probe again on the same port
    EXPECT_EQ(machine.state(), TransferState::Probing);
    EXPECT_EQ(link.openAttempts, std::vector<int>{1});
    EXPECT_EQ(link.lastWrite(), frameBytes(CMD_PROBE));
    detect();
    EXPECT_EQ(view.comWrites, (std::vector<int>{1, 1}));
    machine.onTick();
    machine.onTick(); // unanswered: next port
    EXPECT_EQ(link.openAttempts, (std::vector<int>{1, 2}));
    EXPECT_EQ(view.status, "COM2...");
    EXPECT_EQ(machine.detectedPort(), 0);
    EXPECT_EQ(link.lastWrite(), frameBytes(CMD_PROBE));
    EXPECT_TRUE(view.buttonEnabled) << "a firmware START stays usable once enabled";
}

TEST_F(TransferMachineTest, FirmwareStartBecomesUsableAfterOneFullUnansweredCycle) {
    link.availablePorts = {1};
    startFirmware(100);
    EXPECT_FALSE(view.buttonEnabled);
    machine.onTick();
    EXPECT_EQ(link.openAttempts, (std::vector<int>{1, 2, 3, 4, 1}));
    EXPECT_EQ(link.openPortNumber, 1);
    EXPECT_TRUE(view.buttonEnabled);
    EXPECT_EQ(machine.state(), TransferState::Probing);
    EXPECT_EQ(link.writes.size(), 2u);
}

TEST_F(TransferMachineTest, ChannelTransferScanDisablesStart) {
    link.availablePorts = {1};
    startDownload(patternImage(100));
    machine.onTick();
    EXPECT_FALSE(view.buttonEnabled) << "a full cycle enables START for firmware only";
    detect();
    EXPECT_TRUE(view.buttonEnabled);
    machine.onTick();
    EXPECT_TRUE(view.buttonEnabled);
    machine.onTick();
    EXPECT_FALSE(view.buttonEnabled);
    EXPECT_EQ(machine.detectedPort(), 0);
}

TEST_F(TransferMachineTest, PortsVanishingDuringProbingCloseTheWindowOnce) {
    startFirmware(100);
    machine.onTick();
    link.availablePorts.clear();
    machine.onTick();
    EXPECT_EQ(view.errors, std::vector<QString>{"No available COM port..."});
    EXPECT_EQ(view.closeRequests, 1);
    const auto writes = link.writes.size();
    const auto attempts = link.openAttempts.size();
    for (int i = 0; i < 10; ++i)
        machine.onTick();
    EXPECT_EQ(link.writes.size(), writes);
    EXPECT_EQ(link.openAttempts.size(), attempts);
    EXPECT_EQ(view.errors.size(), 1u);
}

TEST_F(TransferMachineTest, UploadTitleFollowsTheClockUntilStart) {
    startUpload();
    detect();
    now = now.addSecs(60);
    machine.onTick();
    EXPECT_EQ(view.caption, "Channel data upload - 2024-03-09 07:06 (GMT)");
    detect();
    machine.onButton();
    EXPECT_EQ(machine.state(), TransferState::ChannelRequested);
    now = now.addSecs(3600);
    machine.onTick();
    EXPECT_EQ(view.caption, "Channel data upload - 2024-03-09 07:06 (GMT)");
    frame(RSP_CHANNEL_OPEN, {1, 0x03});
    frame(RSP_UPLOAD_START, uploadStart(0, 100));
    const Bytes header =
        slice(Bytes(machine.uploadBuffer()->image().begin(), machine.uploadBuffer()->image().end()),
              0, 14);
    EXPECT_EQ(header, (Bytes{'C', 'D', 'F', 1, 0x03, 9, 3, 24, 7, 6, 100, 0, 0, 0}));
}

// ---------------------------------------------------------------------------------------
// Starting

TEST_F(TransferMachineTest, FirmwareStartWithReceiverResetsIt) {
    startFirmware(100);
    detect();
    machine.onButton();
    EXPECT_EQ(link.lastWrite(), (Bytes{0xA5, 0x02, 0x00, 0x12, 0x13}));
    EXPECT_EQ(machine.state(), TransferState::ResetSent);
    EXPECT_EQ(flags.state.load(), -1);
    EXPECT_EQ(view.status, "System reset...");
    EXPECT_EQ(view.buttonText, "Cancel");
    EXPECT_FALSE(view.buttonEnabled);
}

TEST_F(TransferMachineTest, ChannelStartWithoutReceiverEndsTheWindow) {
    startUpload();
    machine.onButton();
    EXPECT_EQ(view.cancelEnds, 1);
    EXPECT_TRUE(machine.finished());
    EXPECT_EQ(link.writes.size(), 1u);
}

TEST_F(TransferMachineTest, BootModePromptStoresPortBeforeOpeningIt) {
    view.comSetting = 2;
    view.promptAnswers = {2};
    startFirmware(100);
    machine.onTick(); // full cycle on four ports: START usable
    const auto attempts = link.openAttempts.size();
    machine.onButton();
    EXPECT_EQ(view.promptPresets, std::vector<int>{1});
    EXPECT_EQ(view.pausedDuringPrompt, std::vector<bool>{true});
    EXPECT_FALSE(flags.receivePaused.load());
    EXPECT_EQ(view.comWrites, std::vector<int>{3});
    EXPECT_EQ(link.openAttempts.back(), 3);
    EXPECT_EQ(link.openAttempts.size(), attempts + 1);
    EXPECT_EQ(machine.state(), TransferState::ResetSent);
    EXPECT_EQ(view.status, "Waiting for the response of your receiver...");
    EXPECT_EQ(view.buttonText, "Cancel");
    EXPECT_FALSE(view.buttonEnabled);
    const auto writes = link.writes.size();
    machine.onTick(); // state -1: no probes
    EXPECT_EQ(link.writes.size(), writes);
}

TEST_F(TransferMachineTest, BootModePromptOnAPortThatWillNotOpen) {
    view.promptAnswers = {2};
    startFirmware(100);
    link.availablePorts.erase(3);
    machine.onButton();
    EXPECT_EQ(view.promptPresets, std::vector<int>{-1});
    EXPECT_EQ(view.comWrites, std::vector<int>{3});
    EXPECT_EQ(view.errors, std::vector<QString>{"COM port is not available..."});
    EXPECT_EQ(view.cancelEnds, 1);
    EXPECT_FALSE(flags.receivePaused.load());
    EXPECT_TRUE(machine.finished());
}

TEST_F(TransferMachineTest, CancelledBootModePromptLeavesProbing) {
    view.comSetting = 7;
    link.availablePorts = {1};
    startFirmware(100);
    machine.onTick();
    machine.onButton();
    EXPECT_EQ(view.promptPresets, std::vector<int>{6});
    EXPECT_EQ(machine.state(), TransferState::Probing);
    EXPECT_EQ(view.buttonText, "START");
    EXPECT_TRUE(view.buttonEnabled);
    EXPECT_FALSE(flags.receivePaused.load());
    EXPECT_TRUE(view.comWrites.empty());
    machine.onTick();
    EXPECT_EQ(link.lastWrite(), frameBytes(CMD_PROBE));
}

TEST_F(TransferMachineTest, FramesArrivingBehindThePromptNeverReachTheMachine) {
    startFirmware(100);
    view.whilePromptOpen = [this] {
        machine.onTick(); // the poll timer keeps running behind the prompt
        detect();
    };
    machine.onButton();
    EXPECT_EQ(machine.state(), TransferState::Probing);
    EXPECT_EQ(machine.detectedPort(), 0);
}

TEST_F(TransferMachineTest, PromptConfirmedAfterTheWindowGaveUpOpensNothing) {
    view.promptAnswers = {0};
    startFirmware(100);
    view.whilePromptOpen = [this] {
        link.availablePorts.clear();
        machine.onTick();
    };
    machine.onButton();
    EXPECT_EQ(view.errors, std::vector<QString>{"No available COM port..."});
    EXPECT_TRUE(view.comWrites.empty());
    EXPECT_NE(machine.state(), TransferState::ResetSent);
    EXPECT_FALSE(flags.receivePaused.load());
}

// ---------------------------------------------------------------------------------------
// Firmware through the boot loader

TEST_F(TransferMachineTest, ThreeBlockImageSentWithPercentagesAndSilentFourthRequest) {
    startFirmware(3000);
    detect();
    machine.onButton();
    frame(BL_HELLO);
    EXPECT_EQ(link.lastWrite(), Bytes{0x06});
    EXPECT_EQ(machine.state(), TransferState::BootGreeted);
    frame(BL_INFO_ALT, identPayload(0, 4, 2));
    EXPECT_EQ(link.lastWrite(), Bytes{0x09});
    EXPECT_EQ(machine.state(), TransferState::BootAccepted);
    EXPECT_EQ(machine.receiverIdent().digit(1), 4);
    EXPECT_EQ(view.buttonText, "Cancel");
    EXPECT_TRUE(view.buttonEnabled);

    frame(BL_NEXT);
    const auto header = wire::bootHeader(3000);
    EXPECT_EQ(link.lastWrite(), Bytes(header.begin(), header.end()));
    EXPECT_EQ(machine.block(), -1);

    const std::vector<QString> percents{"Sending ... 0 %", "Sending ... 34 %", "Sending ... 68 %"};
    for (int b = 0; b < 3; ++b) {
        frame(BL_NEXT);
        const auto block = wire::bootBlock(image, b);
        EXPECT_EQ(link.lastWrite(), Bytes(block.begin(), block.end())) << "block " << b;
        EXPECT_EQ(view.status, percents[std::size_t(b)]);
        EXPECT_EQ(view.transferPosition, b);
    }
    const auto writes = link.writes.size();
    frame(BL_NEXT);
    frame(BL_NEXT);
    EXPECT_EQ(link.writes.size(), writes);
    EXPECT_EQ(view.status, "Sending ... 68 %");
}

TEST_F(TransferMachineTest, ReadyWithoutGreetingIsAnsweredWithGoAhead) {
    startFirmware(100);
    detect();
    machine.onButton();
    frame(BL_READY);
    EXPECT_EQ(link.lastWrite(), Bytes{0x09});
    EXPECT_EQ(machine.state(), TransferState::BootAccepted);
    EXPECT_EQ(flags.state.load(), -3);
}

TEST_F(TransferMachineTest, GreetingBeforeTheHeaderIsAnsweredAfreshAndIgnoredAfterIt) {
    startFirmware(100);
    frame(BL_HELLO_ALT); // framed mode: ignored
    detect();
    machine.onButton();
    const auto writes = link.writes.size();
    frame(BL_HELLO_ALT);
    EXPECT_EQ(link.writes.size(), writes + 1);
    EXPECT_EQ(link.lastWrite(), Bytes{0x0E});
    // The loader did not hear the echo and greets again: it is answered again.
    frame(BL_HELLO);
    EXPECT_EQ(link.lastWrite(), Bytes{0x06});
    EXPECT_EQ(machine.state(), TransferState::BootGreeted);
    frame(BL_INFO, identPayload(1, 1, 1));
    frame(BL_NEXT);
    ASSERT_EQ(machine.state(), TransferState::BootSending);
    frame(BL_HELLO);
    EXPECT_EQ(link.writes.size(), writes + 4) << "echo twice, go-ahead and header only";
    EXPECT_EQ(machine.state(), TransferState::BootSending);
}

TEST_F(TransferMachineTest, DamagedGreetingTakenForReadyIsRepairedByTheNextGreeting) {
    startFirmware(100);
    detect();
    machine.onButton();
    // The first byte of BL_HELLO was lost on the line: its 0x08 reads as BL_READY.
    frame(BL_READY);
    ASSERT_EQ(machine.state(), TransferState::BootAccepted);
    frame(BL_HELLO); // a second later the loader greets again
    EXPECT_EQ(link.lastWrite(), Bytes{0x06});
    EXPECT_EQ(machine.state(), TransferState::BootGreeted);
    frame(BL_INFO, identPayload(1, 1, 1));
    frame(BL_NEXT);
    frame(BL_NEXT);
    const auto block = wire::bootBlock(image, 0);
    EXPECT_EQ(link.lastWrite(), Bytes(block.begin(), block.end()));

    // A loader that greets forever and never hears the answer still ends within the bound.
    TransferFlags otherFlags;
    FakeView otherView{otherFlags};
    FakeLink otherLink;
    TransferMachine greeting{otherView, otherLink, otherFlags};
    greeting.setFirmware({IdentificationRecord::fromBytes(identPayload(1, 0, 0).data()), image});
    ASSERT_TRUE(greeting.startProbing());
    greeting.onFrame(RSP_IDENT, identPayload(1, 0, 0));
    greeting.onButton();
    for (int tick = 1; tick < 20; ++tick) {
        greeting.onFrame(BL_HELLO, {});
        greeting.onTick();
        ASSERT_EQ(greeting.state(), TransferState::BootGreeted) << tick;
    }
    greeting.onTick();
    EXPECT_EQ(greeting.outcome(), TransferOutcome::noAnswer);
}

TEST_F(TransferMachineTest, ShortBootIdentificationIsDropped) {
    startFirmware(100);
    detect();
    machine.onButton();
    frame(BL_HELLO);
    frame(BL_INFO, {1, 2, 3});
    EXPECT_EQ(machine.state(), TransferState::BootGreeted);
}

TEST_F(TransferMachineTest, RepeatBeforeFirstBlockIsIgnoredAndAfterwardsResendsTheBlock) {
    startFirmware(3000);
    runToBootSending();
    const auto writes = link.writes.size();
    frame(BL_REPEAT);
    EXPECT_EQ(link.writes.size(), writes);
    frame(BL_NEXT);
    frame(BL_NEXT);
    frame(BL_NEXT);
    const Bytes blockTwo = link.lastWrite();
    frame(BL_REPEAT);
    EXPECT_EQ(link.writes.size(), writes + 4);
    EXPECT_EQ(link.lastWrite(), blockTwo);
    const auto expected = wire::bootBlock(image, 2);
    EXPECT_EQ(blockTwo, Bytes(expected.begin(), expected.end()));
}

TEST_F(TransferMachineTest, CancelDuringBlocksAbortsAtNextRequestAndWaitsForRestart) {
    startFirmware(5000);
    runToBootSending();
    frame(BL_NEXT);
    frame(BL_NEXT);
    machine.onButton();
    EXPECT_TRUE(machine.cancelRequested());
    EXPECT_EQ(view.transferPosition, 0);
    const auto writes = link.writes.size();
    frame(BL_NEXT);
    ASSERT_EQ(link.writes.size(), writes + 1);
    Bytes abortFrame{0xA5, 0xFE, 0x03, 0x13};
    abortFrame.resize(4 + 1020, 0);
    abortFrame.push_back(0x14);
    EXPECT_EQ(link.lastWrite(), abortFrame);
    EXPECT_EQ(link.lastWrite().size(), 1025u);
    EXPECT_EQ(view.status, "Wait a few minutes...");
    EXPECT_EQ(machine.state(), TransferState::BootSending);
    frame(BL_REPEAT);
    EXPECT_EQ(link.lastWrite(), abortFrame);

    frame(BL_DONE);
    EXPECT_EQ(machine.state(), TransferState::CancelWait);
    EXPECT_EQ(view.writeMaximum, 10);
    EXPECT_EQ(view.writePosition, 0);
    EXPECT_EQ(view.status, "Wait a few minutes...");
    EXPECT_EQ(view.buttonText, "Exit");
    EXPECT_TRUE(view.buttonEnabled);
    EXPECT_EQ(machine.tickCount(), 0u);
}

TEST_F(TransferMachineTest, CancelBeforeBlocksIsOnlyRecorded) {
    startFirmware(3000);
    detect();
    machine.onButton();
    frame(BL_READY);
    machine.onButton(); // state -3
    EXPECT_TRUE(machine.cancelRequested());
    EXPECT_EQ(machine.state(), TransferState::BootAccepted);
    frame(BL_NEXT);
    const auto header = wire::bootHeader(3000);
    EXPECT_EQ(link.lastWrite(), Bytes(header.begin(), header.end()));
    frame(BL_NEXT);
    EXPECT_EQ(link.lastWrite()[3], CMD_BOOT_ABORT);
}

TEST_F(TransferMachineTest, FlashWritingCountsToNinetySecondsThenReportsFailureOnce) {
    startFirmware(3000);
    runToBootSending();
    for (int i = 0; i < 3; ++i)
        frame(BL_NEXT);
    frame(BL_DONE);
    EXPECT_EQ(machine.state(), TransferState::Writing);
    EXPECT_EQ(flags.state.load(), 3);
    EXPECT_EQ(view.writeMaximum, 124);
    EXPECT_EQ(view.status, "Writing ...");
    EXPECT_EQ(view.buttonText, "Exit");
    EXPECT_FALSE(view.buttonEnabled) << "nothing to end while the receiver writes its flash";

    const auto writes = link.writes.size();
    machine.onTick();
    EXPECT_EQ(view.writePosition, 1);
    EXPECT_EQ(view.status, "Writing ...");
    machine.onTick();
    EXPECT_EQ(view.status, "Writing ... 1 sec");
    for (int tick = 3; tick <= 124; ++tick)
        machine.onTick();
    EXPECT_EQ(view.writePosition, 124);
    EXPECT_EQ(view.status, "Writing ... 62 sec");
    for (int tick = 125; tick <= 180; ++tick)
        machine.onTick();
    EXPECT_EQ(view.writePosition, 124);
    EXPECT_EQ(view.status, "Writing ... 90 sec");
    EXPECT_EQ(machine.tickCount(), 180u);
    EXPECT_FALSE(view.buttonEnabled);
    machine.onTick();
    EXPECT_EQ(view.status, "Downloading is failed...");
    EXPECT_TRUE(view.buttonEnabled) << "Exit once the wait is over";
    const auto statuses = view.statuses.size();
    machine.onTick();
    machine.onTick();
    EXPECT_EQ(view.statuses.size(), statuses) << "shown once";
    EXPECT_EQ(link.writes.size(), writes + 183);
    for (std::size_t i = writes; i < link.writes.size(); ++i)
        ASSERT_EQ(link.writes[i], frameBytes(CMD_PROBE));

    frame(RSP_IDENT, identPayload(3, 1, 0));
    EXPECT_EQ(machine.state(), TransferState::Finished);
    EXPECT_EQ(view.status, "Downloading is successful...");
    EXPECT_EQ(machine.outcome(), TransferOutcome::succeeded);
    EXPECT_EQ(machine.bytesMoved(), 3000u);
    EXPECT_EQ(machine.detectedPort(), 1);
    const auto finalWrites = link.writes.size();
    machine.onTick();
    EXPECT_EQ(link.writes.size(), finalWrites);
    machine.onButton();
    EXPECT_EQ(view.cancelEnds, 1);
}

TEST_F(TransferMachineTest, CancelWaitGivesUpAfterTenSecondsButStillTakesTheRestart) {
    startFirmware(3000);
    runToBootSending();
    machine.onButton();
    frame(BL_NEXT);
    frame(BL_DONE);
    for (int tick = 1; tick <= 20; ++tick)
        machine.onTick();
    EXPECT_EQ(view.writePosition, 10);
    EXPECT_EQ(view.status, "Wait a few minutes...");
    machine.onTick();
    EXPECT_EQ(view.status, "The receiver does not response...");
    machine.onTick();
    EXPECT_EQ(link.lastWrite(), frameBytes(CMD_PROBE));
    frame(RSP_IDENT, identPayload(3, 1, 0));
    EXPECT_EQ(machine.state(), TransferState::Finished);
    EXPECT_EQ(view.status, "Downloading is canceled...");
    EXPECT_EQ(view.writePosition, 10);
}

TEST_F(TransferMachineTest, ExitDuringFlashWritingEndsTheWindowAtOnce) {
    startFirmware(100);
    runToBootSending();
    frame(BL_NEXT);
    frame(BL_DONE);
    machine.onButton();
    EXPECT_EQ(view.cancelEnds, 1);
    EXPECT_EQ(view.closeRequests, 0);
}

// ---------------------------------------------------------------------------------------
// Upload

TEST_F(TransferMachineTest, WorkedUploadOfFifteenHundredBytes) {
    const Bytes body = patternImage(1500, 3);
    startUpload();
    detect();
    link.writes.clear();
    machine.onButton();
    EXPECT_EQ(link.lastWrite(), (Bytes{0xA5, 0x02, 0x00, 0x14, 0x15}));
    EXPECT_EQ(machine.state(), TransferState::ChannelRequested);
    frame(RSP_CHANNEL_OPEN, {2, 0x0D});
    EXPECT_EQ(link.lastWrite(), (Bytes{0xA5, 0x03, 0x00, 0x21, 0x00, 0x22}));
    EXPECT_EQ(machine.state(), TransferState::UploadRequested);
    frame(RSP_UPLOAD_START, {0x00, 0xDC, 0x05, 0x00, 0x00});
    EXPECT_EQ(link.lastWrite(), (Bytes{0xA5, 0x04, 0x00, 0x22, 0x00, 0x00, 0x23}));
    EXPECT_EQ(view.transferMaximum, 1);
    EXPECT_EQ(view.transferPosition, 0);
    EXPECT_EQ(view.status, "Waiting for response...");
    frame(RSP_UPLOAD_BLOCK, numbered(0, slice(body, 0, 1024)));
    EXPECT_EQ(link.lastWrite(), (Bytes{0xA5, 0x04, 0x00, 0x22, 0x01, 0x00, 0x24}));
    EXPECT_EQ(view.status, "Receiving ... 0 %");
    frame(RSP_UPLOAD_BLOCK, numbered(1, slice(body, 1024, 476)));
    EXPECT_EQ(view.status, "Receiving ... 68 %");
    EXPECT_EQ(view.transferPosition, 1);
    EXPECT_EQ(link.lastWrite(), (Bytes{0xA5, 0x02, 0x00, 0x23, 0x24}));
    EXPECT_EQ(machine.state(), TransferState::UploadEnding);
    EXPECT_EQ(link.writes.size(), 5u);

    frame(RSP_UPLOAD_END);
    EXPECT_EQ(view.status, "Uploading is successful...");
    ASSERT_EQ(view.savedImages.size(), 1u);
    const Bytes& saved = view.savedImages[0];
    ASSERT_EQ(saved.size(), 1514u);
    EXPECT_EQ(slice(saved, 0, 14),
              (Bytes{'C', 'D', 'F', 2, 0x0D, 9, 3, 24, 7, 5, 0xDC, 0x05, 0x00, 0x00}));
    EXPECT_EQ(slice(saved, 14, 1500), body);
    EXPECT_FALSE(view.channelPathCleared);
    EXPECT_EQ(view.closeRequests, 1);
    frame(RSP_UPLOAD_END);
    EXPECT_EQ(view.savedImages.size(), 1u) << "saved once";
}

TEST_F(TransferMachineTest, UploadOfTwoFullBlocksEndsAfterBlockOne) {
    runToUploadReceiving(2048);
    EXPECT_EQ(view.transferMaximum, 2);
    frame(RSP_UPLOAD_BLOCK, numbered(0, Bytes(1024, 0x11)));
    EXPECT_EQ(link.lastWrite(), frameBytes(CMD_UPLOAD_BLOCK, numbered(1)));
    frame(RSP_UPLOAD_BLOCK, numbered(1, Bytes(1024, 0x22)));
    EXPECT_EQ(link.lastWrite(), frameBytes(CMD_UPLOAD_END));
    EXPECT_EQ(view.status, "Receiving ... 50 %");
    EXPECT_EQ(machine.state(), TransferState::UploadEnding);
}

TEST_F(TransferMachineTest, RefusedUploadClosesWithoutMessage) {
    startUpload();
    detect();
    machine.onButton();
    frame(RSP_CHANNEL_OPEN, {2, 0});
    const auto writes = link.writes.size();
    frame(RSP_UPLOAD_START, uploadStart(1, 1500));
    EXPECT_EQ(view.closeRequests, 1);
    EXPECT_TRUE(view.errors.empty());
    EXPECT_EQ(link.writes.size(), writes);
}

TEST_F(TransferMachineTest, UploadTooLargeForTheBufferIsRefusedBeforeAnyRequest) {
    startUpload();
    detect();
    machine.onButton();
    frame(RSP_CHANNEL_OPEN, {2, 0});
    const auto writes = link.writes.size();
    frame(RSP_UPLOAD_START, uploadStart(0, UploadBuffer::maxBodyLength + 1));
    EXPECT_EQ(view.errors, std::vector<QString>{"The channel data is too large to upload..."});
    EXPECT_EQ(view.closeRequests, 1);
    EXPECT_EQ(link.writes.size(), writes);
    EXPECT_EQ(machine.uploadBuffer(), nullptr);
}

TEST_F(TransferMachineTest, EmptyUploadIsRefused) {
    startUpload();
    detect();
    machine.onButton();
    frame(RSP_CHANNEL_OPEN, {2, 0});
    const auto writes = link.writes.size();
    frame(RSP_UPLOAD_START, uploadStart(0, 0));
    EXPECT_EQ(view.errors, std::vector<QString>{"Invalid CDF format..."});
    EXPECT_EQ(view.closeRequests, 1);
    EXPECT_EQ(link.writes.size(), writes);
}

TEST_F(TransferMachineTest, LargestUploadFillsTheBufferExactly) {
    const std::uint32_t length = UploadBuffer::maxBodyLength;
    runToUploadReceiving(length);
    EXPECT_EQ(view.transferMaximum, 1023);
    for (int k = 0; k < 1024; ++k)
        frame(RSP_UPLOAD_BLOCK, numbered(k, Bytes(k < 1023 ? 1024 : 1010, std::uint8_t(k))));
    EXPECT_EQ(machine.state(), TransferState::UploadEnding);
    const auto image = machine.uploadBuffer()->image();
    ASSERT_EQ(image.size(), UploadBuffer::capacity);
    EXPECT_EQ(image[14 + 1023 * 1024], std::uint8_t(1023));
    EXPECT_EQ(image.back(), std::uint8_t(1023));
}

TEST_F(TransferMachineTest, UploadBlocksOutsideTheRequestAreIgnored) {
    runToUploadReceiving(1500);
    const auto writes = link.writes.size();
    frame(RSP_UPLOAD_BLOCK, numbered(2, Bytes(1024, 0xEE))); // beyond the body
    frame(RSP_UPLOAD_BLOCK, numbered(1, Bytes(476, 0xEE)));  // not the one asked for
    frame(RSP_UPLOAD_BLOCK, {0});                            // too short for a number
    EXPECT_EQ(link.writes.size(), writes);
    EXPECT_EQ(machine.block(), 0);
    frame(RSP_UPLOAD_BLOCK, numbered(0, Bytes(1024, 0x01)));
    // A block of any other length than the one asked for is asked for again at once.
    for (const std::size_t wrongLength : {std::size_t(1024), std::size_t(475)}) {
        const auto before = link.writes.size();
        frame(RSP_UPLOAD_BLOCK, numbered(1, Bytes(wrongLength, 0xEE)));
        ASSERT_EQ(link.writes.size(), before + 1);
        EXPECT_EQ(link.lastWrite(), frameBytes(CMD_UPLOAD_BLOCK, numbered(1)));
        EXPECT_EQ(machine.block(), 1);
    }
    frame(RSP_UPLOAD_BLOCK, numbered(1, Bytes(476, 0x02)));
    EXPECT_EQ(machine.state(), TransferState::UploadEnding);
    const auto image = machine.uploadBuffer()->image();
    ASSERT_EQ(image.size(), 1514u);
    EXPECT_EQ(image[14 + 1023], 0x01);
    EXPECT_EQ(image[14 + 1024], 0x02);
    EXPECT_EQ(image[1513], 0x02);
}

TEST_F(TransferMachineTest, UploadRequestIsResentFromTheSecondTickWithoutProgress) {
    runToUploadReceiving(3000);
    const Bytes request = link.lastWrite();
    const auto writes = link.writes.size();
    machine.onTick();
    EXPECT_EQ(link.writes.size(), writes);
    machine.onTick();
    ASSERT_EQ(link.writes.size(), writes + 1);
    EXPECT_EQ(link.lastWrite(), request);
    machine.onTick();
    EXPECT_EQ(link.writes.size(), writes + 2);
    frame(RSP_UPLOAD_BLOCK, numbered(0, Bytes(1024, 0)));
    const auto afterProgress = link.writes.size();
    machine.onTick(); // progress since the last tick
    EXPECT_EQ(link.writes.size(), afterProgress);
    machine.onTick();
    EXPECT_EQ(link.lastWrite(), frameBytes(CMD_UPLOAD_BLOCK, numbered(1)));
    EXPECT_EQ(link.writes.size(), afterProgress + 1);
}

TEST_F(TransferMachineTest, FailedSaveEmptiesThePathAndStillCloses) {
    runToUploadReceiving(5);
    view.saveResult = -2;
    frame(RSP_UPLOAD_BLOCK, numbered(0, {'a', 'b', 'E', 'N', 'D'}));
    frame(RSP_UPLOAD_END);
    EXPECT_EQ(view.savedImages.size(), 1u);
    EXPECT_TRUE(view.channelPathCleared);
    EXPECT_EQ(view.closeRequests, 1);
    EXPECT_EQ(machine.outcome(), TransferOutcome::failed);
    EXPECT_EQ(std::count(view.statuses.begin(), view.statuses.end(), "Uploading is successful..."),
              0)
        << "no success shown for a file that was not written";
}

// ---------------------------------------------------------------------------------------
// Download

TEST_F(TransferMachineTest, DownloadOfOneFullBlock) {
    const Bytes body = patternImage(1024, 9);
    startDownload(body);
    detect();
    machine.onButton();
    EXPECT_EQ(link.lastWrite(), frameBytes(CMD_CHANNEL_OPEN));
    frame(RSP_CHANNEL_OPEN, {2, 0x05});
    EXPECT_EQ(link.lastWrite(), frameBytes(CMD_DOWNLOAD_START, {0x00, 0x00, 0x04, 0x00, 0x00}));
    EXPECT_EQ(machine.state(), TransferState::DownloadRequested);
    frame(RSP_DOWNLOAD_START, {0});
    const Bytes block0 = numbered(0, body);
    EXPECT_EQ(link.lastWrite(), frameBytes(CMD_DOWNLOAD_BLOCK, block0));
    EXPECT_EQ(link.lastWrite().size(), 1031u);
    EXPECT_EQ(view.status, "Waiting for response...");
    frame(RSP_DOWNLOAD_BLOCK, numbered(0));
    EXPECT_EQ(link.lastWrite(), frameBytes(CMD_DOWNLOAD_END));
    EXPECT_EQ(view.status, "Sending ... 0 %");
    EXPECT_EQ(machine.state(), TransferState::DownloadEnding);
    frame(RSP_DOWNLOAD_END);
    EXPECT_EQ(view.status, "Downloading is successful...");
    EXPECT_EQ(view.closeRequests, 1);
}

TEST_F(TransferMachineTest, DownloadSendsTheBodyInBlocksAndResendsOnANumberNotYetDue) {
    const Bytes body = patternImage(3000, 5);
    runToDownloadSending(body);
    frame(RSP_DOWNLOAD_BLOCK, numbered(0));
    const Bytes block1 = numbered(1, slice(body, 1024, 1024));
    EXPECT_EQ(link.lastWrite(), frameBytes(CMD_DOWNLOAD_BLOCK, block1));
    const auto writes = link.writes.size();
    frame(RSP_DOWNLOAD_BLOCK, numbered(2)); // a number not yet due: the block is sent again
    ASSERT_EQ(link.writes.size(), writes + 1);
    EXPECT_EQ(link.lastWrite(), frameBytes(CMD_DOWNLOAD_BLOCK, block1));
    EXPECT_EQ(machine.block(), 1);
    frame(RSP_DOWNLOAD_BLOCK, numbered(1));
    EXPECT_EQ(view.status, "Sending ... 34 %");
    EXPECT_EQ(view.transferPosition, 1);
    const Bytes block2 = numbered(2, slice(body, 2048, 952));
    EXPECT_EQ(link.lastWrite(), frameBytes(CMD_DOWNLOAD_BLOCK, block2));
    frame(RSP_DOWNLOAD_BLOCK, numbered(2));
    EXPECT_EQ(view.status, "Sending ... 68 %");
    EXPECT_EQ(link.lastWrite(), frameBytes(CMD_DOWNLOAD_END));
}

TEST_F(TransferMachineTest, DownloadBlockIsResentFromTheSecondTickWithoutProgress) {
    runToDownloadSending(patternImage(2000));
    const Bytes block0 = link.lastWrite();
    const auto writes = link.writes.size();
    machine.onTick();
    EXPECT_EQ(link.writes.size(), writes);
    machine.onTick();
    EXPECT_EQ(link.writes.size(), writes + 1);
    EXPECT_EQ(link.lastWrite(), block0);
}

TEST_F(TransferMachineTest, RefusedDownloadClosesWithoutMessage) {
    startDownload(patternImage(100));
    detect();
    machine.onButton();
    frame(RSP_CHANNEL_OPEN, {2, 0x05});
    const auto writes = link.writes.size();
    frame(RSP_DOWNLOAD_START, {3});
    EXPECT_EQ(view.closeRequests, 1);
    EXPECT_TRUE(view.errors.empty());
    EXPECT_EQ(link.writes.size(), writes);
}

TEST_F(TransferMachineTest, RepliesShorterThanTheirPayloadAreDropped) {
    startDownload(patternImage(3000));
    detect();
    machine.onButton();
    frame(RSP_CHANNEL_OPEN, {2});
    EXPECT_EQ(machine.state(), TransferState::ChannelRequested);
    frame(RSP_CHANNEL_OPEN, {2, 0x05});
    frame(RSP_DOWNLOAD_START, {});
    EXPECT_EQ(machine.state(), TransferState::DownloadRequested);
    frame(RSP_DOWNLOAD_START, {0});
    const auto writes = link.writes.size();
    frame(RSP_DOWNLOAD_BLOCK, {0});
    EXPECT_EQ(link.writes.size(), writes);
    EXPECT_EQ(machine.block(), 0);

    TransferFlags otherFlags;
    FakeView otherView{otherFlags};
    TransferMachine upload{otherView, link, otherFlags};
    upload.setChannelUpload();
    upload.showKind();
    ASSERT_TRUE(upload.startProbing());
    upload.onFrame(RSP_IDENT, identPayload(1, 0, 0));
    upload.onButton();
    upload.onFrame(RSP_CHANNEL_OPEN, Bytes{1, 0});
    upload.onFrame(RSP_UPLOAD_START, Bytes{0, 0xDC, 0x05, 0x00});
    EXPECT_EQ(upload.state(), TransferState::UploadRequested);
}

// ---------------------------------------------------------------------------------------
// A receiver that falls silent

TEST_F(TransferMachineTest, LateDuplicateAcknowledgementSendsTheNextBlockOnce) {
    const Bytes body = patternImage(3000, 5);
    runToDownloadSending(body);
    machine.onTick();
    machine.onTick(); // block 0 sent again
    const auto writes = link.writes.size();
    frame(RSP_DOWNLOAD_BLOCK, numbered(0)); // the late answer to the first copy
    frame(RSP_DOWNLOAD_BLOCK, numbered(0)); // the answer to the re-sent one
    ASSERT_EQ(link.writes.size(), writes + 1);
    EXPECT_EQ(link.lastWrite(),
              frameBytes(CMD_DOWNLOAD_BLOCK, numbered(1, slice(body, 1024, 1024))));
    frame(RSP_DOWNLOAD_BLOCK, numbered(1));
    frame(RSP_DOWNLOAD_BLOCK, numbered(2));
    EXPECT_EQ(link.writes.size(), writes + 3);
    EXPECT_EQ(link.lastWrite(), frameBytes(CMD_DOWNLOAD_END));
}

TEST_F(TransferMachineTest, DownloadIntoAReceiverOfAnotherLayoutIsRefusedBeforeAnything) {
    // The file has layout 2 and flags 0x05. USALS (0x02) does not change the body.
    struct Case {
        Bytes open;
        bool refused;
    };
    for (const Case& c : {Case{{1, 0x05}, true}, Case{{2, 0x04}, true}, Case{{2, 0x0D}, true},
                          Case{{2, 0x07}, false}}) {
        TransferFlags otherFlags;
        FakeView otherView{otherFlags};
        FakeLink otherLink;
        TransferMachine download{otherView, otherLink, otherFlags};
        const Bytes channels = channelFile(patternImage(1500));
        ASSERT_TRUE(download.setChannelDownload(channels));
        ASSERT_TRUE(download.startProbing());
        download.onFrame(RSP_IDENT, identPayload(1, 0, 0));
        download.onButton();
        download.onFrame(RSP_CHANNEL_OPEN, c.open);
        if (c.refused) {
            EXPECT_EQ(otherLink.lastWrite(), frameBytes(CMD_CHANNEL_OPEN));
            ASSERT_EQ(otherView.errors.size(), 1u);
            EXPECT_EQ(otherView.errors[0],
                      QString::asprintf("The receiver holds layout %u, flags 0x%02X; this file "
                                        "has layout 2, flags 0x05. Nothing was sent...",
                                        unsigned(c.open[0]), unsigned(c.open[1])));
            EXPECT_EQ(otherView.closeRequests, 1);
            EXPECT_EQ(download.outcome(), TransferOutcome::refused);
        } else {
            EXPECT_EQ(otherLink.lastWrite()[3], CMD_DOWNLOAD_START);
            EXPECT_TRUE(otherView.errors.empty());
        }
    }
    // Block numbers are 16 bits: a body of more than 65536 blocks is not taken.
    TransferFlags otherFlags;
    FakeView otherView{otherFlags};
    TransferMachine tooLarge{otherView, link, otherFlags};
    EXPECT_TRUE(tooLarge.setChannelDownload(channelFile(Bytes(65536 * 1024))));
    EXPECT_FALSE(tooLarge.setChannelDownload(channelFile(Bytes(65536 * 1024 + 1))));
}

// In every state that waits for the receiver, a lost reply is asked for again where that
// is harmless (from the second quiet tick, one per tick), and after 10 s without progress
// the transfer is given up: the port is closed, the button reads "Exit", nothing is saved.
struct SilentCase {
    const char* name;
    TransferState state;
    std::function<void(TransferMachineTest&)> reach;
    int resentCode; // -1: nothing is sent again
    const char* status;
    TransferOutcome outcome = TransferOutcome::noAnswer;
    int tickLimit = 20;

    friend void PrintTo(const SilentCase& silentCase, std::ostream* out) {
        *out << silentCase.name;
    }
};

class SilentReceiver : public TransferMachineTest,
                       public ::testing::WithParamInterface<SilentCase> {};

TEST_P(SilentReceiver, AsksAgainWhereHarmlessAndGivesUpWithinTheBound) {
    const SilentCase& c = GetParam();
    c.reach(*this);
    ASSERT_EQ(machine.state(), c.state);
    const Bytes request = link.lastWrite();
    const auto writes = link.writes.size();
    machine.onTick();
    EXPECT_EQ(link.writes.size(), writes) << "nothing at the first tick";
    for (int tick = 2; tick < c.tickLimit; ++tick) {
        machine.onTick();
        ASSERT_EQ(machine.state(), c.state) << "tick " << tick;
        if (c.resentCode >= 0) {
            ASSERT_EQ(link.writes.size(), writes + std::size_t(tick - 1)) << "tick " << tick;
            EXPECT_EQ(link.lastWrite(), request);
        } else {
            ASSERT_EQ(link.writes.size(), writes) << "tick " << tick;
        }
    }
    machine.onTick();
    EXPECT_EQ(machine.state(), TransferState::Finished);
    EXPECT_EQ(machine.outcome(), c.outcome);
    EXPECT_EQ(view.status, c.status);
    EXPECT_EQ(view.buttonText, "Exit");
    EXPECT_TRUE(view.buttonEnabled);
    EXPECT_FALSE(link.isPortOpen());
    EXPECT_FALSE(view.closed());
    // A reply that comes after all is not taken, and the user leaves with Exit.
    const auto afterGivingUp = link.writes.size();
    for (int code :
         std::initializer_list<int>{RSP_CHANNEL_OPEN, RSP_UPLOAD_START, RSP_UPLOAD_END,
                                    RSP_DOWNLOAD_END, RSP_IDENT, int(BL_NEXT), int(BL_DONE)})
        frame(std::uint8_t(code), Bytes(8, 0));
    machine.onTick();
    EXPECT_EQ(link.writes.size(), afterGivingUp);
    EXPECT_TRUE(view.savedImages.empty());
    machine.onButton();
    EXPECT_TRUE(view.closed());
}

void toChannelOpen(TransferMachineTest& s, bool upload) {
    if (upload)
        s.startUpload();
    else
        s.startDownload(patternImage(1500));
    s.detect();
    s.machine.onButton();
}

const char* const uploadGivenUp =
    "No answer from the receiver. Your file is unchanged; try the upload again...";
const char* const downloadGivenUp =
    "No answer from the receiver. Check it and try the download again...";
const char* const firmwareGivenUp =
    "No answer from the receiver. Repeat the download in boot mode...";

INSTANTIATE_TEST_SUITE_P(
    EveryWaitingState, SilentReceiver,
    ::testing::Values(
        SilentCase{"ChannelRequested", TransferState::ChannelRequested,
                   [](TransferMachineTest& s) { toChannelOpen(s, true); }, CMD_CHANNEL_OPEN,
                   uploadGivenUp},
        SilentCase{"UploadRequested", TransferState::UploadRequested,
                   [](TransferMachineTest& s) {
                       toChannelOpen(s, true);
                       s.frame(RSP_CHANNEL_OPEN, {1, 0});
                   },
                   CMD_UPLOAD_START, uploadGivenUp},
        SilentCase{"UploadReceiving", TransferState::UploadReceiving,
                   [](TransferMachineTest& s) { s.runToUploadReceiving(3000); }, CMD_UPLOAD_BLOCK,
                   uploadGivenUp},
        SilentCase{"UploadEnding", TransferState::UploadEnding,
                   [](TransferMachineTest& s) {
                       toChannelOpen(s, true);
                       s.frame(RSP_CHANNEL_OPEN, {1, 0});
                       s.frame(RSP_UPLOAD_START, uploadStart(0, 3));
                       s.frame(RSP_UPLOAD_BLOCK, numbered(0, {'E', 'N', 'D'}));
                   },
                   CMD_UPLOAD_END, uploadGivenUp},
        SilentCase{"DownloadRequested", TransferState::DownloadRequested,
                   [](TransferMachineTest& s) {
                       toChannelOpen(s, false);
                       s.frame(RSP_CHANNEL_OPEN, {2, 0x05});
                   },
                   CMD_DOWNLOAD_START, downloadGivenUp},
        SilentCase{"DownloadSending", TransferState::DownloadSending,
                   [](TransferMachineTest& s) { s.runToDownloadSending(patternImage(3000)); },
                   CMD_DOWNLOAD_BLOCK, downloadGivenUp},
        SilentCase{"DownloadEnding", TransferState::DownloadEnding,
                   [](TransferMachineTest& s) {
                       toChannelOpen(s, false);
                       s.frame(RSP_CHANNEL_OPEN, {2, 0x05});
                       s.frame(RSP_DOWNLOAD_START, {0});
                       s.frame(RSP_DOWNLOAD_BLOCK, numbered(0));
                       s.frame(RSP_DOWNLOAD_BLOCK, numbered(1));
                   },
                   -1,
                   "The receiver did not confirm the download. Check its channels and try "
                   "again...",
                   TransferOutcome::unconfirmed},
        SilentCase{"ResetSent", TransferState::ResetSent,
                   [](TransferMachineTest& s) {
                       s.startFirmware(3000);
                       s.detect();
                       s.machine.onButton();
                   },
                   -1, firmwareGivenUp},
        SilentCase{"ResetSentThroughThePrompt", TransferState::ResetSent,
                   [](TransferMachineTest& s) {
                       s.startFirmware(3000);
                       for (int i = 0; i < 4; ++i)
                           s.machine.onTick(); // a full unanswered cycle enables START
                       s.view.promptAnswers = {0};
                       s.machine.onButton();
                   },
                   -1, firmwareGivenUp, TransferOutcome::noAnswer, 120},
        SilentCase{"BootGreeted", TransferState::BootGreeted,
                   [](TransferMachineTest& s) {
                       s.startFirmware(3000);
                       s.detect();
                       s.machine.onButton();
                       s.frame(BL_HELLO);
                   },
                   -1, firmwareGivenUp},
        SilentCase{"BootAccepted", TransferState::BootAccepted,
                   [](TransferMachineTest& s) {
                       s.startFirmware(3000);
                       s.detect();
                       s.machine.onButton();
                       s.frame(BL_READY);
                   },
                   -1, firmwareGivenUp},
        SilentCase{"BootSending", TransferState::BootSending,
                   [](TransferMachineTest& s) {
                       s.startFirmware(3000);
                       s.runToBootSending();
                       s.frame(BL_NEXT);
                   },
                   -1, firmwareGivenUp}),
    [](const ::testing::TestParamInfo<SilentCase>& info) { return info.param.name; });

TEST_F(TransferMachineTest, AReplyBeforeTheBoundRestartsTheCount) {
    runToUploadReceiving(3000);
    for (int i = 0; i < 19; ++i)
        machine.onTick();
    frame(RSP_UPLOAD_BLOCK, numbered(0, Bytes(1024, 0)));
    for (int i = 0; i < 19; ++i)
        machine.onTick();
    EXPECT_EQ(machine.state(), TransferState::UploadReceiving);
    machine.onTick();
    EXPECT_EQ(machine.state(), TransferState::Finished);
}

TEST_F(TransferMachineTest, ClosingWindowStopsEverything) {
    runToUploadReceiving(3000);
    machine.finish();
    const auto writes = link.writes.size();
    machine.onTick();
    machine.onTick();
    frame(RSP_UPLOAD_BLOCK, numbered(0, Bytes(1024, 0)));
    machine.onButton();
    EXPECT_EQ(link.writes.size(), writes);
    EXPECT_TRUE(view.savedImages.empty());
}

// ---------------------------------------------------------------------------------------
// Every ending is true

// The boot exchange has no block numbers: an end before the last block leaves a partial
// image in the receiver, whatever the loader's reason (a block sent twice on a damaged
// request, a loader that lost count).
TEST_F(TransferMachineTest, BootLoaderEndBeforeTheLastBlockIsNoSuccess) {
    struct Case {
        int requests; // blocks the loader asked for before its end
        bool complete;
    };
    // Six requests: the loader asked past the last block, so it lost count too.
    for (const Case c :
         {Case{0, false}, Case{1, false}, Case{4, false}, Case{5, true}, Case{6, false}}) {
        SCOPED_TRACE(c.requests);
        TransferFlags caseFlags;
        FakeView caseView{caseFlags};
        FakeLink caseLink;
        TransferMachine boot{caseView, caseLink, caseFlags};
        const Bytes fiveBlocks = patternImage(5000);
        boot.setFirmware(
            {IdentificationRecord::fromBytes(identPayload(3, 1, 0).data()), fiveBlocks});
        ASSERT_TRUE(boot.startProbing());
        boot.onFrame(RSP_IDENT, identPayload(3, 0, 0));
        boot.onButton();
        boot.onFrame(BL_READY, {});
        boot.onFrame(BL_NEXT, {}); // header
        for (int b = 0; b < c.requests; ++b)
            boot.onFrame(BL_NEXT, {});
        boot.onFrame(BL_DONE, {});
        if (c.complete) {
            EXPECT_EQ(boot.state(), TransferState::Writing);
            EXPECT_EQ(boot.bytesMoved(), 5000u);
            continue;
        }
        EXPECT_EQ(boot.state(), TransferState::Finished);
        EXPECT_EQ(boot.outcome(), TransferOutcome::incomplete);
        EXPECT_EQ(caseView.status.toStdString(),
                  "Image may be incomplete (" + std::to_string(std::min(c.requests, 5)) +
                      " of 5 blocks). Repeat the download in boot mode...");
        EXPECT_EQ(caseView.buttonText, "Exit");
        EXPECT_FALSE(caseLink.isPortOpen());
        EXPECT_LE(boot.bytesMoved(), std::uint64_t(c.requests) * 1024);
        boot.onFrame(RSP_IDENT, identPayload(3, 1, 0)); // a restart no longer counts
        EXPECT_EQ(boot.outcome(), TransferOutcome::incomplete);
    }
}

// Cancel pressed while the loader takes a block, and the loader ends instead of asking for the
// next one: no abort went out, so the receiver writes what it took. The ending says so.
TEST_F(TransferMachineTest, LoaderEndBeforeTheAbortWentOutIsNoCancel) {
    struct Case {
        int requests; // blocks the loader asked for before Cancel and its end
        TransferState state;
        TransferOutcome outcome;
        QString status;
    };
    for (const Case& c :
         {Case{5, TransferState::Finished, TransferOutcome::succeeded,
               "Downloading is successful..."},
          Case{1, TransferState::Finished, TransferOutcome::incomplete,
               "Image may be incomplete (1 of 5 blocks). Repeat the download in boot mode..."}}) {
        SCOPED_TRACE(c.requests);
        TransferFlags caseFlags;
        FakeView caseView{caseFlags};
        FakeLink caseLink;
        TransferMachine boot{caseView, caseLink, caseFlags};
        const Bytes fiveBlocks = patternImage(5000);
        boot.setFirmware(
            {IdentificationRecord::fromBytes(identPayload(3, 1, 0).data()), fiveBlocks});
        ASSERT_TRUE(boot.startProbing());
        boot.onFrame(RSP_IDENT, identPayload(3, 0, 0));
        boot.onButton();
        boot.onFrame(BL_READY, {});
        boot.onFrame(BL_NEXT, {}); // header
        for (int b = 0; b < c.requests; ++b)
            boot.onFrame(BL_NEXT, {});
        boot.onButton(); // Cancel
        boot.onFrame(BL_DONE, {});
        EXPECT_EQ(
            std::count(caseView.statuses.begin(), caseView.statuses.end(), "Wait a few minutes..."),
            0);
        boot.onFrame(RSP_IDENT, identPayload(3, 1, 0)); // restarted with the image's version
        EXPECT_EQ(boot.state(), c.state);
        EXPECT_EQ(boot.outcome(), c.outcome);
        EXPECT_EQ(caseView.status, c.status);
    }
}

TEST_F(TransferMachineTest, BlockRefusedTenTimesInARowEndsTheDownload) {
    startFirmware(5000);
    runToBootSending();
    frame(BL_NEXT);
    frame(BL_NEXT);
    for (int i = 0; i < 9; ++i)
        frame(BL_REPEAT);
    frame(BL_NEXT); // taken at last: the count starts again
    const auto writes = link.writes.size();
    for (int i = 0; i < 9; ++i)
        frame(BL_REPEAT);
    EXPECT_EQ(link.writes.size(), writes + 9);
    EXPECT_EQ(machine.state(), TransferState::BootSending);
    frame(BL_REPEAT);
    EXPECT_EQ(link.writes.size(), writes + 9) << "not sent an eleventh time";
    EXPECT_EQ(machine.outcome(), TransferOutcome::rejected);
    EXPECT_EQ(view.status,
              "The receiver refused block 3 ten times. Repeat the download in boot mode...");
    EXPECT_EQ(view.buttonText, "Exit");
}

// A loader that keeps asking without taking anything (past the last block, for the header
// again, or refusing every abort) ends the transfer within the quiet bound or the repeat bound.
TEST_F(TransferMachineTest, RequestsThatMoveNothingDoNotKeepTheDownloadOpen) {
    struct Case {
        const char* name;
        int blocksFirst;    // BL_NEXT answered with a block before the loop
        bool cancel;        // Cancel pressed before the loop
        std::uint8_t asked; // what the loader keeps sending, once per tick
        TransferOutcome outcome;
    };
    for (const Case c : {Case{"past the end", 3, false, BL_NEXT, TransferOutcome::noAnswer},
                         Case{"header again", 0, false, BL_REPEAT, TransferOutcome::noAnswer},
                         Case{"abort refused", 1, true, BL_REPEAT, TransferOutcome::rejected},
                         Case{"abort ignored", 1, true, BL_NEXT, TransferOutcome::rejected}}) {
        SCOPED_TRACE(c.name);
        TransferFlags caseFlags;
        FakeView caseView{caseFlags};
        FakeLink caseLink;
        TransferMachine boot{caseView, caseLink, caseFlags};
        const Bytes threeBlocks = patternImage(3000);
        boot.setFirmware(
            {IdentificationRecord::fromBytes(identPayload(3, 1, 0).data()), threeBlocks});
        ASSERT_TRUE(boot.startProbing());
        boot.onFrame(RSP_IDENT, identPayload(3, 0, 0));
        boot.onButton();
        boot.onFrame(BL_READY, {});
        boot.onFrame(BL_NEXT, {}); // header
        for (int b = 0; b < c.blocksFirst; ++b)
            boot.onFrame(BL_NEXT, {});
        if (c.cancel)
            boot.onButton();
        int ticks = 0;
        for (; ticks < 200 && boot.state() == TransferState::BootSending; ++ticks) {
            boot.onFrame(c.asked, {});
            boot.onTick();
        }
        EXPECT_EQ(boot.state(), TransferState::Finished);
        EXPECT_LE(ticks, 20) << "within the 10 s quiet bound";
        EXPECT_EQ(boot.outcome(), c.outcome);
        EXPECT_TRUE(caseView.status.endsWith("Repeat the download in boot mode..."))
            << caseView.status.toStdString();
        EXPECT_FALSE(caseLink.isPortOpen());
    }
}

// The port reports the line gone: the transfer ends at the next tick, not after 10 s.
TEST_P(SilentReceiver, HangUpEndsTheTransferAtTheNextTick) {
    const SilentCase& c = GetParam();
    c.reach(*this);
    ASSERT_EQ(machine.state(), c.state);
    link.lineDown = true;
    machine.onTick();
    EXPECT_EQ(machine.state(), TransferState::Finished);
    EXPECT_FALSE(link.isPortOpen());
    EXPECT_EQ(view.buttonText, "Exit");
    if (c.state == TransferState::UploadEnding) {
        // Every block is in: handled as an unconfirmed end (this body does not read).
        EXPECT_EQ(machine.outcome(), TransferOutcome::noAnswer);
        return;
    }
    EXPECT_EQ(machine.outcome(), TransferOutcome::disconnected);
    EXPECT_TRUE(view.status.startsWith("The cable or adapter was disconnected. "))
        << view.status.toStdString();
}

TEST_F(TransferMachineTest, HangUpWhileTheReceiverWritesItsFlash) {
    for (const bool cancelled : {false, true}) {
        SCOPED_TRACE(cancelled);
        TransferFlags caseFlags;
        FakeView caseView{caseFlags};
        FakeLink caseLink;
        TransferMachine boot{caseView, caseLink, caseFlags};
        const Bytes oneBlock = patternImage(100);
        boot.setFirmware({IdentificationRecord::fromBytes(identPayload(3, 1, 0).data()), oneBlock});
        ASSERT_TRUE(boot.startProbing());
        boot.onFrame(RSP_IDENT, identPayload(3, 0, 0));
        boot.onButton();
        boot.onFrame(BL_READY, {});
        boot.onFrame(BL_NEXT, {});
        if (cancelled)
            boot.onButton();
        boot.onFrame(BL_NEXT, {});
        boot.onFrame(BL_DONE, {});
        ASSERT_EQ(boot.state(), cancelled ? TransferState::CancelWait : TransferState::Writing);
        caseLink.lineDown = true;
        boot.onTick();
        EXPECT_EQ(boot.outcome(), TransferOutcome::disconnected);
        EXPECT_EQ(caseView.status,
                  "The cable or adapter was disconnected. Leave the receiver switched on...");
    }
}

TEST_F(TransferMachineTest, UploadWhoseEndWasNotConfirmedIsSavedWhenItReadsInFull) {
    ChannelGeneratorOptions options;
    options.programs = 40;
    QByteArray generated;
    ASSERT_EQ(generateChannelImage(options, generated), 0);
    const Bytes cdf(generated.begin(), generated.end());
    const Bytes body(cdf.begin() + 14, cdf.end());
    struct Case {
        const char* name;
        bool damaged; // the end mark arrived damaged
        int saveResult;
        TransferOutcome outcome;
        const char* status;
    };
    const char* const unchanged =
        "No answer from the receiver. Your file is unchanged; try the upload again...";
    const Case cases[] = {
        {"whole", false, 0, TransferOutcome::unconfirmed,
         "The receiver did not confirm the end. The data arrived whole and was saved..."},
        {"save fails", false, -2, TransferOutcome::failed, unchanged},
        {"does not read", true, 0, TransferOutcome::noAnswer, unchanged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TransferFlags caseFlags;
        FakeView caseView{caseFlags};
        FakeLink caseLink;
        TransferMachine upload{caseView, caseLink, caseFlags};
        upload.setChannelUpload();
        ASSERT_TRUE(upload.startProbing());
        upload.onFrame(RSP_IDENT, identPayload(1, 0, 0));
        upload.onButton();
        upload.onFrame(RSP_CHANNEL_OPEN, Bytes{cdf[3], cdf[4]});
        upload.onFrame(RSP_UPLOAD_START, uploadStart(0, std::uint32_t(body.size())));
        Bytes sent = body;
        if (c.damaged)
            sent.back() = 'X';
        for (std::size_t offset = 0; offset < sent.size(); offset += 1024)
            upload.onFrame(
                RSP_UPLOAD_BLOCK,
                numbered(int(offset / 1024),
                         slice(sent, offset, std::min<std::size_t>(1024, sent.size() - offset))));
        ASSERT_EQ(upload.state(), TransferState::UploadEnding);
        caseView.saveResult = c.saveResult;
        for (int tick = 0; tick < 20; ++tick)
            upload.onTick();
        EXPECT_EQ(upload.outcome(), c.outcome);
        EXPECT_EQ(caseView.status, c.status);
        EXPECT_EQ(caseView.savedImages.size(), c.damaged ? 0u : 1u);
        if (!c.damaged)
            EXPECT_EQ(Bytes(caseView.savedImages[0].begin() + 14, caseView.savedImages[0].end()),
                      body);
        EXPECT_EQ(caseView.channelPathCleared, c.saveResult != 0);
        EXPECT_EQ(caseView.buttonText, "Exit");
    }
}

TEST_F(TransferMachineTest, LostEndAfterTheLastBlockWaitsForTheRestartAndChecksItsVersion) {
    struct Case {
        Bytes restartedIdent;
        TransferOutcome outcome;
        const char* status;
    };
    const Case cases[] = {
        {identPayload(3, 1, 0), TransferOutcome::succeeded, "Downloading is successful..."},
        {identPayload(3, 0, 9), TransferOutcome::wrongVersion,
         "The receiver restarted with version 3.09, not 3.10. Repeat the download..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        TransferFlags caseFlags;
        FakeView caseView{caseFlags};
        FakeLink caseLink;
        TransferMachine boot{caseView, caseLink, caseFlags};
        const Bytes threeBlocks = patternImage(3000);
        boot.setFirmware(
            {IdentificationRecord::fromBytes(identPayload(3, 1, 0).data()), threeBlocks});
        ASSERT_TRUE(boot.startProbing());
        boot.onFrame(RSP_IDENT, identPayload(3, 0, 9));
        boot.onButton();
        boot.onFrame(BL_READY, {});
        for (int request = 0; request < 4; ++request) // header and three blocks
            boot.onFrame(BL_NEXT, {});
        // BL_DONE is lost: after the quiet bound the flash wait begins all the same.
        for (int tick = 0; tick < 20; ++tick)
            boot.onTick();
        ASSERT_EQ(boot.state(), TransferState::Writing);
        EXPECT_EQ(caseView.status, "Writing ...");
        EXPECT_EQ(caseView.buttonText, "Exit");
        EXPECT_LT(boot.bytesMoved(), 3000u) << "the last block is not known to be taken";
        boot.onTick();
        EXPECT_EQ(caseLink.lastWrite(), frameBytes(CMD_PROBE));
        boot.onFrame(RSP_IDENT, c.restartedIdent);
        EXPECT_EQ(boot.state(), TransferState::Finished);
        EXPECT_EQ(boot.outcome(), c.outcome);
        EXPECT_EQ(caseView.status, c.status);
    }
    // Without the end, a transfer that stopped before the last block is still given up.
    startFirmware(3000);
    runToBootSending();
    frame(BL_NEXT);
    frame(BL_NEXT);
    for (int tick = 0; tick < 20; ++tick)
        machine.onTick();
    EXPECT_EQ(machine.outcome(), TransferOutcome::noAnswer);
}

} // namespace
