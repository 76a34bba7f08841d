#include "link/transfer_dialog.h"

#include "base/last_settings.h"
#include "link/boot_mode_dialog.h"
#include "link/message_codes.h"
#include "link/transfer_reader_thread.h"
#include "tests/support/test_environment.h"
#include "tests/transfer/fake_frame_source.h"
#include "tests/transfer/fake_link.h"
#include "widgets/dialog_units.h"
#include "widgets/message_box.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

namespace {

bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

Bytes identPayload(std::uint8_t d1, std::uint8_t d2, std::uint8_t d3) {
    return {0x52, 0x58, 0x77, 0x00, d1, d2, d3, 0xFF};
}

class TransferWindow : public ::testing::Test {
protected:
    FakeLink* link = nullptr;
    FakeFrameSource* source = nullptr;
    TransferFlags* flags = nullptr;
    std::set<int> ports{1, 2, 3, 4};
    std::vector<ShownMessage> messages;
    QTemporaryDir dir{TestEnvironment::root() + "/window-XXXXXX"};

    void SetUp() override {
        setMessageRecorder([this](const ShownMessage& message) { messages.push_back(message); });
        LastSettings().writeComPort(0);
    }
    void TearDown() override { setMessageRecorder({}); }

    TransferEndpointFactory endpoint() {
        return [this](TransferFlags& sharedFlags) {
            flags = &sharedFlags;
            auto fakeLink = std::make_unique<FakeLink>();
            fakeLink->availablePorts = ports;
            link = fakeLink.get();
            auto fakeSource = std::make_unique<FakeFrameSource>();
            source = fakeSource.get();
            return TransferEndpoint{std::move(fakeLink), std::move(fakeSource)};
        };
    }

    // Opens the window modally (without blocking) and waits for the first probe.
    void openAndWaitForProbe(TransferDialog& dialog) {
        dialog.open();
        ASSERT_TRUE(waitFor([&] { return !link->writes.empty(); }));
        ASSERT_EQ(link->lastWrite(), frameBytes(CMD_PROBE));
    }

    bool sent(const Bytes& bytes) {
        return waitFor([&] { return !link->writes.empty() && link->lastWrite() == bytes; });
    }

    void expectShutDown(TransferDialog& dialog) {
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_FALSE(dialog.isReaderRunning());
        EXPECT_FALSE(dialog.pollTimer().isActive());
        EXPECT_FALSE(link->isPortOpen());
    }

    std::vector<QString> messageTexts() const {
        std::vector<QString> texts;
        for (const ShownMessage& message : messages)
            texts.push_back(message.text);
        return texts;
    }
};

// Runs `action` on the boot-mode prompt as soon as it is open.
void onBootModePrompt(std::function<void(BootModeDialog&)> action) {
    QTimer::singleShot(0, [action = std::move(action)] {
        ASSERT_TRUE(waitFor([] {
            return qobject_cast<BootModeDialog*>(QApplication::activeModalWidget()) != nullptr;
        }));
        action(*qobject_cast<BootModeDialog*>(QApplication::activeModalWidget()));
    });
}

QPushButton* buttonNamed(QWidget& window, const QString& text) {
    for (QPushButton* button : window.findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

TEST_F(TransferWindow, FirmwareWindowLayoutCaptionAndBars) {
    TransferDialog dialog(endpoint());
    const Bytes image(5000, 0x5A);
    const Bytes ident = identPayload(2, 0, 5);
    dialog.setFirmware({IdentificationRecord::fromBytes(ident.data()), image});
    openAndWaitForProbe(dialog);

    EXPECT_EQ(dialog.windowTitle(), "Firmware download - version 2.05");
    EXPECT_EQ(dialog.size(), DialogUnits(dialog.font()).size(202, 81));
    EXPECT_EQ(dialog.transferBar()->maximum(), 4);
    EXPECT_EQ(dialog.transferBar()->value(), 0);
    EXPECT_EQ(dialog.writeBar()->maximum(), 124);
    EXPECT_TRUE(dialog.writeBar()->isVisible());
    EXPECT_EQ(dialog.button()->text(), "START");
    EXPECT_FALSE(dialog.button()->isEnabled());
    EXPECT_TRUE(dialog.button()->isDefault());
    EXPECT_EQ(dialog.statusLine()->text(), "COM1...");
    EXPECT_TRUE(dialog.pollTimer().isActive());
    EXPECT_EQ(dialog.pollTimer().interval(), 500);
    EXPECT_TRUE(dialog.isReaderRunning());
    EXPECT_EQ(flags->state.load(), 1);

    dialog.close();
    expectShutDown(dialog);
    EXPECT_TRUE(messages.empty());
}

TEST_F(TransferWindow, ChannelDownloadCaptionFromFileHeaderAndNoWriteBar) {
    TransferDialog dialog(endpoint());
    Bytes file{'C', 'D', 'F', 2, 0, 6, 12, 2, 14, 5, 0, 0, 0, 0};
    file.resize(14 + 5000, 0x33);
    wire::putU32(file.data() + 10, 5000);
    ASSERT_TRUE(dialog.setChannelDownload(file, dir.filePath("list.cdf")));
    openAndWaitForProbe(dialog);
    EXPECT_EQ(dialog.windowTitle(), "Channel data download - list.cdf - 2002-12-06 14:05");
    EXPECT_EQ(dialog.transferBar()->maximum(), 4);
    EXPECT_FALSE(dialog.writeBar()->isVisible());
}

TEST_F(TransferWindow, UploadCaptionShowsGmtTime) {
    TransferDialog dialog(endpoint());
    QString path = dir.filePath("up.cdf");
    dialog.setUpload(path);
    openAndWaitForProbe(dialog);
    static const QRegularExpression caption(
        R"(^Channel data upload - up\.cdf - \d{4}-\d\d-\d\d \d\d:\d\d \(GMT\)$)");
    EXPECT_TRUE(caption.match(dialog.windowTitle()).hasMatch())
        << dialog.windowTitle().toStdString();
    EXPECT_FALSE(dialog.writeBar()->isVisible());
}

TEST_F(TransferWindow, ScriptedUploadSavesTheFileAndCloses) {
    TransferDialog dialog(endpoint());
    QString path = dir.filePath("received.cdf");
    dialog.setUpload(path);
    openAndWaitForProbe(dialog);

    source->push(RSP_IDENT, identPayload(3, 1, 0));
    ASSERT_TRUE(waitFor([&] { return dialog.button()->isEnabled(); }));
    EXPECT_EQ(dialog.statusLine()->text(), "Version 3.10 detected...");
    EXPECT_EQ(LastSettings().readComPort(), 1);

    QTest::mouseClick(dialog.button(), Qt::LeftButton);
    ASSERT_TRUE(sent(frameBytes(CMD_CHANNEL_OPEN)));
    source->push(RSP_CHANNEL_OPEN, {2, 0x05});
    ASSERT_TRUE(sent(frameBytes(CMD_UPLOAD_START, {0})));

    Bytes body(1500, 0x44);
    body[1497] = 'E';
    body[1498] = 'N';
    body[1499] = 'D';
    source->push(RSP_UPLOAD_START, {0, 0xDC, 0x05, 0, 0});
    ASSERT_TRUE(sent(frameBytes(CMD_UPLOAD_BLOCK, numbered(0))));
    EXPECT_EQ(dialog.transferBar()->maximum(), 1);
    source->push(RSP_UPLOAD_BLOCK, numbered(0, Bytes(body.begin(), body.begin() + 1024)));
    ASSERT_TRUE(sent(frameBytes(CMD_UPLOAD_BLOCK, numbered(1))));
    source->push(RSP_UPLOAD_BLOCK, numbered(1, Bytes(body.begin() + 1024, body.end())));
    ASSERT_TRUE(sent(frameBytes(CMD_UPLOAD_END)));
    source->push(RSP_UPLOAD_END);

    ASSERT_TRUE(waitFor([&] { return !dialog.isVisible(); }));
    expectShutDown(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(path, dir.filePath("received.cdf"));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    ASSERT_EQ(bytes.size(), 1514);
    EXPECT_EQ(bytes.left(5), QByteArray("CDF\x02\x05", 5));
    EXPECT_EQ(bytes.mid(10, 4), QByteArray("\xDC\x05\x00\x00", 4));
    EXPECT_EQ(bytes.right(3), "END");
}

TEST_F(TransferWindow, FailedSaveTellsTheUserAndEmptiesThePath) {
    TransferDialog dialog(endpoint());
    QFile blocker(dir.filePath("not-a-folder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString path = dir.filePath("not-a-folder/received.cdf");
    dialog.setUpload(path);
    openAndWaitForProbe(dialog);
    source->push(RSP_IDENT, identPayload(3, 1, 0));
    ASSERT_TRUE(waitFor([&] { return dialog.button()->isEnabled(); }));
    QTest::mouseClick(dialog.button(), Qt::LeftButton);
    source->push(RSP_CHANNEL_OPEN, {2, 0});
    source->push(RSP_UPLOAD_START, {0, 3, 0, 0, 0});
    ASSERT_TRUE(sent(frameBytes(CMD_UPLOAD_BLOCK, numbered(0))));
    source->push(RSP_UPLOAD_BLOCK, {0, 0, 'E', 'N', 'D'});
    source->push(RSP_UPLOAD_END);
    ASSERT_TRUE(waitFor([&] { return !dialog.isVisible(); }));
    EXPECT_EQ(messageTexts(), std::vector<QString>{"Cannot create a file..."});
    EXPECT_EQ(messages[0].icon, MessageIcon::stop);
    EXPECT_TRUE(path.isEmpty());
}

TEST_F(TransferWindow, ScriptedFirmwareDownloadRunsToExit) {
    TransferDialog dialog(endpoint());
    const Bytes image(2000, 0x21);
    dialog.setFirmware({IdentificationRecord::fromBytes(identPayload(1, 0, 0).data()), image});
    openAndWaitForProbe(dialog);
    source->push(RSP_IDENT, identPayload(1, 0, 0));
    ASSERT_TRUE(waitFor([&] { return dialog.button()->isEnabled(); }));
    QTest::keyClick(&dialog, Qt::Key_Return); // the default button
    ASSERT_TRUE(sent(frameBytes(CMD_RESET)));
    EXPECT_EQ(dialog.button()->text(), "Cancel");
    EXPECT_FALSE(dialog.button()->isEnabled());
    EXPECT_EQ(flags->state.load(), -1);

    source->push(BL_HELLO);
    ASSERT_TRUE(sent(Bytes{0x06}));
    source->push(BL_INFO, identPayload(0, 0, 1));
    ASSERT_TRUE(sent(Bytes{0x09}));
    EXPECT_TRUE(dialog.button()->isEnabled());
    source->push(BL_NEXT);
    source->push(BL_NEXT);
    source->push(BL_NEXT);
    const auto lastBlock = wire::bootBlock(image, 1);
    ASSERT_TRUE(sent(Bytes(lastBlock.begin(), lastBlock.end())));
    EXPECT_EQ(dialog.statusLine()->text(), "Sending ... 51 %");
    EXPECT_EQ(dialog.transferBar()->value(), 1);
    source->push(BL_DONE);
    ASSERT_TRUE(waitFor([&] { return dialog.button()->text() == "Exit"; }));
    EXPECT_FALSE(dialog.button()->isEnabled()) << "no Exit while the flash is written";
    EXPECT_EQ(dialog.statusLine()->text(), "Writing ...");
    dialog.tick();
    dialog.tick();
    EXPECT_EQ(dialog.writeBar()->value(), 2);
    EXPECT_EQ(dialog.statusLine()->text(), "Writing ... 1 sec");
    EXPECT_EQ(link->lastWrite(), frameBytes(CMD_PROBE));
    source->push(RSP_IDENT, identPayload(1, 0, 0));
    ASSERT_TRUE(waitFor([&] { return dialog.button()->isEnabled(); }));
    EXPECT_EQ(dialog.statusLine()->text(), "Downloading is successful...");

    QTest::mouseClick(dialog.button(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible()) << "Exit ends the window at once";
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    expectShutDown(dialog);
}

TEST_F(TransferWindow, ClosingDuringAnUploadStopsEverythingAndWritesNoFile) {
    TransferDialog dialog(endpoint());
    QString path = dir.filePath("partial.cdf");
    dialog.setUpload(path);
    openAndWaitForProbe(dialog);
    source->push(RSP_IDENT, identPayload(3, 1, 0));
    ASSERT_TRUE(waitFor([&] { return dialog.button()->isEnabled(); }));
    QTest::mouseClick(dialog.button(), Qt::LeftButton);
    source->push(RSP_CHANNEL_OPEN, {2, 0});
    source->push(RSP_UPLOAD_START, {0, 0, 0x10, 0, 0});
    ASSERT_TRUE(sent(frameBytes(CMD_UPLOAD_BLOCK, numbered(0))));
    source->push(RSP_UPLOAD_BLOCK, numbered(0, Bytes(1024, 0x55)));
    ASSERT_TRUE(sent(frameBytes(CMD_UPLOAD_BLOCK, numbered(1))));

    QTest::keyClick(&dialog, Qt::Key_Escape);
    expectShutDown(dialog);
    const auto writes = link->writes.size();
    source->push(RSP_UPLOAD_BLOCK, numbered(1));
    dialog.tick();
    QTest::qWait(20);
    EXPECT_EQ(link->writes.size(), writes);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(path, dir.filePath("partial.cdf"));
    EXPECT_TRUE(messages.empty());
}

// A link whose closing the reader thread can see, and a reader that, like a serial read with
// nothing arriving, waits until the port closes (or a long time-out).
class ClosingLink : public FakeLink {
public:
    std::atomic<bool> closed{false};
    bool openPort(int portNumber) override {
        closed = false;
        return FakeLink::openPort(portNumber);
    }
    void closePort() override {
        FakeLink::closePort();
        closed = true;
    }
};

class WaitingSource : public TransferFrameSource {
public:
    explicit WaitingSource(const std::atomic<bool>& portClosed) : portClosed_(portClosed) {}
    std::atomic<bool> waiting{false};
    std::atomic<bool> endedByClose{false};

    void pollOnce(const Deliver&) override {
        waiting = true;
        QElapsedTimer timer;
        timer.start();
        while (!portClosed_ && timer.elapsed() < 10000)
            QThread::msleep(1);
        endedByClose = portClosed_.load();
        waiting = false;
    }

private:
    const std::atomic<bool>& portClosed_;
};

TEST_F(TransferWindow, ShutdownClosesThePortBeforeWaitingForTheReader) {
    ClosingLink* closingLink = nullptr;
    WaitingSource* waitingSource = nullptr;
    TransferDialog dialog([&](TransferFlags&) {
        auto fakeLink = std::make_unique<ClosingLink>();
        closingLink = fakeLink.get();
        auto fakeSource = std::make_unique<WaitingSource>(fakeLink->closed);
        waitingSource = fakeSource.get();
        return TransferEndpoint{std::move(fakeLink), std::move(fakeSource)};
    });
    const Bytes image(100, 0);
    dialog.setFirmware({IdentificationRecord{}, image});
    dialog.open();
    ASSERT_TRUE(waitFor([&] { return !closingLink->writes.empty() && waitingSource->waiting; }));
    dialog.close();
    EXPECT_FALSE(dialog.isReaderRunning());
    EXPECT_TRUE(waitingSource->endedByClose) << "the reader was waited for with the port open";
}

TEST_F(TransferWindow, NoPortTellsTheUserAndCloses) {
    ports.clear();
    TransferDialog dialog(endpoint());
    const Bytes image(100, 0);
    dialog.setFirmware({IdentificationRecord{}, image});
    dialog.open();
    ASSERT_TRUE(waitFor([&] { return !dialog.isVisible(); }));
    ASSERT_EQ(messageTexts(), std::vector<QString>{"No available COM port..."});
    EXPECT_EQ(messages[0].icon, MessageIcon::stop);
    expectShutDown(dialog);
    EXPECT_TRUE(link->writes.empty());
}

TEST_F(TransferWindow, FramesArePostedAsUserEventsOneHundredAboveTheBase) {
    EXPECT_EQ(int(WM_FRAME_RECEIVED), int(QEvent::User) + 100);
    TransferDialog dialog(endpoint());
    const Bytes image(100, 0);
    dialog.setFirmware({IdentificationRecord{}, image});
    openAndWaitForProbe(dialog);
    const Bytes ident = identPayload(4, 5, 6);
    QCoreApplication::postEvent(&dialog, new TransferFrameEvent(RSP_IDENT, ident));
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.statusLine()->text(), "Version 4.56 detected...");
}

TEST_F(TransferWindow, BootModePromptPresetFromSettingAndPortStoredBeforeOpening) {
    LastSettings().writeComPort(2);
    ports = {1, 3};
    TransferDialog dialog(endpoint());
    const Bytes image(100, 0);
    dialog.setFirmware({IdentificationRecord{}, image});
    openAndWaitForProbe(dialog);
    dialog.tick(); // COM3
    dialog.tick(); // back to COM1: a full unanswered cycle
    ASSERT_TRUE(dialog.button()->isEnabled());

    bool pausedWhileOpen = false;
    bool presetShown = false;
    onBootModePrompt([&](BootModeDialog& prompt) {
        pausedWhileOpen = flags->receivePaused.load();
        presetShown = prompt.portButton(1)->isChecked();
        EXPECT_EQ(prompt.windowTitle(), "Boot mode");
        prompt.portButton(2)->click();
        QTest::mouseClick(buttonNamed(prompt, "OK"), Qt::LeftButton);
    });
    QTest::mouseClick(dialog.button(), Qt::LeftButton);

    EXPECT_TRUE(pausedWhileOpen);
    EXPECT_TRUE(presetShown);
    EXPECT_FALSE(flags->receivePaused.load());
    EXPECT_EQ(LastSettings().readComPort(), 3);
    EXPECT_EQ(link->openPortNumber, 3);
    EXPECT_EQ(dialog.statusLine()->text(), "Waiting for the response of your receiver...");
    EXPECT_EQ(dialog.button()->text(), "Cancel");
    EXPECT_FALSE(dialog.button()->isEnabled());
    EXPECT_EQ(flags->state.load(), -1);
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(TransferWindow, BootModePromptOnAPortThatWillNotOpenEndsTheWindow) {
    ports = {1};
    TransferDialog dialog(endpoint());
    const Bytes image(100, 0);
    dialog.setFirmware({IdentificationRecord{}, image});
    openAndWaitForProbe(dialog);
    dialog.tick();
    ASSERT_TRUE(dialog.button()->isEnabled());
    onBootModePrompt([&](BootModeDialog& prompt) {
        EXPECT_EQ(prompt.portIndex(), -1);
        prompt.portButton(3)->click();
        QTest::mouseClick(buttonNamed(prompt, "OK"), Qt::LeftButton);
    });
    QTest::mouseClick(dialog.button(), Qt::LeftButton);
    EXPECT_EQ(LastSettings().readComPort(), 4);
    EXPECT_EQ(messageTexts(), std::vector<QString>{"COM port is not available..."});
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    expectShutDown(dialog);
}

TEST_F(TransferWindow, CancelledBootModePromptKeepsProbing) {
    ports = {1};
    TransferDialog dialog(endpoint());
    const Bytes image(100, 0);
    dialog.setFirmware({IdentificationRecord{}, image});
    openAndWaitForProbe(dialog);
    dialog.tick();
    onBootModePrompt([&](BootModeDialog& prompt) {
        QTest::mouseClick(buttonNamed(prompt, "Cancel"), Qt::LeftButton);
    });
    QTest::mouseClick(dialog.button(), Qt::LeftButton);
    EXPECT_EQ(dialog.button()->text(), "START");
    EXPECT_TRUE(dialog.button()->isEnabled());
    EXPECT_EQ(flags->state.load(), 1);
    EXPECT_EQ(LastSettings().readComPort(), 0);
    link->writes.clear();
    dialog.tick();
    EXPECT_EQ(link->lastWrite(), frameBytes(CMD_PROBE));
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(TransferWindow, ClosingWhileThePromptIsOpenShutsBothDown) {
    ports = {1};
    TransferDialog dialog(endpoint());
    const Bytes image(100, 0);
    dialog.setFirmware({IdentificationRecord{}, image});
    openAndWaitForProbe(dialog);
    dialog.tick();
    onBootModePrompt([&](BootModeDialog&) { dialog.reject(); });
    QTest::mouseClick(dialog.button(), Qt::LeftButton);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    expectShutDown(dialog);
    EXPECT_EQ(LastSettings().readComPort(), 0);
}

} // namespace

namespace {

// A transfer given up for want of an answer: each status is shown whole in the status line
// (two text lines), the port is closed, and Exit, the default button, closes the window from
// the keyboard.
TEST_F(TransferWindow, GivenUpTransferShowsItsWholeStatusAndExitsOnEnter) {
    const Bytes body = {'E', 'N', 'D'};
    Bytes file{'C', 'D', 'F', 2, 0x05, 6, 12, 2, 14, 5, 3, 0, 0, 0};
    file.insert(file.end(), body.begin(), body.end());
    const Bytes image(3000, 0x5A);
    const Bytes ident = identPayload(2, 0, 5);
    for (int kind = 1; kind <= 4; ++kind) {
        QString uploadPath = dir.filePath("uploaded.cdf");
        TransferDialog dialog(endpoint());
        if (kind == 1)
            dialog.setFirmware({IdentificationRecord::fromBytes(ident.data()), image});
        else if (kind == 4)
            dialog.setUpload(uploadPath);
        else
            ASSERT_TRUE(dialog.setChannelDownload(file));
        openAndWaitForProbe(dialog);
        TransferMachine& machine = dialog.machine();
        machine.onFrame(RSP_IDENT, identPayload(1, 0, 0));
        machine.onButton();
        if (kind == 3) { // a download whose end is not confirmed
            machine.onFrame(RSP_CHANNEL_OPEN, Bytes{2, 0x05});
            machine.onFrame(RSP_DOWNLOAD_START, Bytes{0});
            machine.onFrame(RSP_DOWNLOAD_BLOCK, numbered(0));
        }
        for (int tick = 0; tick < 20; ++tick)
            machine.onTick();
        ASSERT_EQ(dialog.button()->text(), "Exit") << kind;
        QLabel* status = dialog.statusLine();
        EXPECT_TRUE(status->text().startsWith(kind == 3 ? "The receiver did not confirm"
                                                        : "No answer from the receiver."));
        EXPECT_LE(status->heightForWidth(status->width()), status->height())
            << status->text().toStdString();
        EXPECT_FALSE(link->isPortOpen());
        QTest::keyClick(&dialog, Qt::Key_Return);
        ASSERT_TRUE(waitFor([&] { return !dialog.isVisible(); })) << kind;
        expectShutDown(dialog);
        EXPECT_TRUE(messages.empty());
        EXPECT_FALSE(QFile::exists(uploadPath));
    }
}

TEST_F(TransferWindow, BootLoaderEndingEarlyIsShownAsAnIncompleteImage) {
    TransferDialog dialog(endpoint());
    const Bytes image(3000, 0x21);
    dialog.setFirmware({IdentificationRecord::fromBytes(identPayload(1, 0, 0).data()), image});
    openAndWaitForProbe(dialog);
    source->push(RSP_IDENT, identPayload(1, 0, 0));
    ASSERT_TRUE(waitFor([&] { return dialog.button()->isEnabled(); }));
    QTest::keyClick(&dialog, Qt::Key_Return);
    ASSERT_TRUE(sent(frameBytes(CMD_RESET)));
    source->push(BL_READY);
    source->push(BL_NEXT);
    source->push(BL_NEXT);
    source->push(BL_NEXT);
    const auto secondBlock = wire::bootBlock(image, 1);
    ASSERT_TRUE(sent(Bytes(secondBlock.begin(), secondBlock.end())));
    source->push(BL_DONE); // one block short of three
    ASSERT_TRUE(waitFor([&] { return dialog.button()->text() == "Exit"; }));
    QLabel* status = dialog.statusLine();
    EXPECT_EQ(status->text(),
              "Image may be incomplete (2 of 3 blocks). Repeat the download in boot mode...");
    EXPECT_NE(status->text(), "Writing ...");
    EXPECT_TRUE(dialog.button()->isEnabled());
    EXPECT_EQ(dialog.machine().outcome(), TransferOutcome::incomplete);
    EXPECT_FALSE(link->isPortOpen());
    EXPECT_TRUE(messages.empty());

    // Every ending of this kind fits the two lines of the status line.
    const QString original = status->text();
    for (const char* text : {
             "Image may be incomplete (16383 of 16384 blocks). Repeat the download in "
             "boot mode...",
             "The receiver refused block 1024 ten times. Repeat the download in boot mode...",
             "The cable or adapter was disconnected. Repeat the download in boot mode...",
             "The cable or adapter was disconnected. Leave the receiver switched on...",
             "The cable or adapter was disconnected. Check the receiver's channels...",
             "The receiver did not confirm the end. The data arrived whole and was saved...",
             "The receiver restarted with version [unknown], not 9.99. Repeat the download...",
         }) {
        status->setText(QString::fromLatin1(text));
        EXPECT_LE(status->heightForWidth(status->width()), status->height()) << text;
    }
    status->setText(original);

    QTest::keyClick(&dialog, Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return !dialog.isVisible(); }));
    expectShutDown(dialog);
}

} // namespace

namespace {

// Leaving the window while the boot loader takes the image: the user is asked; "No" lets the
// download go on, "Yes" stops it exactly as Cancel does and the window stays until Exit.
TEST_F(TransferWindow, ClosingDuringTheBootLoaderAsksThenStopsAsCancel) {
    QStringList questions;
    MessageAnswer answer = MessageAnswer::no;
    setQuestionResponder([&](const ShownMessage& question) {
        questions << question.text;
        return answer;
    });
    TransferDialog dialog(endpoint());
    const Bytes image(5000, 0x21);
    dialog.setFirmware({IdentificationRecord::fromBytes(identPayload(1, 0, 0).data()), image});
    openAndWaitForProbe(dialog);
    source->push(RSP_IDENT, identPayload(1, 0, 0));
    ASSERT_TRUE(waitFor([&] { return dialog.button()->isEnabled(); }));
    QTest::mouseClick(dialog.button(), Qt::LeftButton);
    source->push(BL_READY);
    source->push(BL_NEXT);
    source->push(BL_NEXT);
    const auto firstBlock = wire::bootBlock(image, 0);
    ASSERT_TRUE(sent(Bytes(firstBlock.begin(), firstBlock.end())));

    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(questions.size(), 1);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.machine().cancelRequested()) << "No: the download goes on";
    source->push(BL_NEXT);
    const auto secondBlock = wire::bootBlock(image, 1);
    ASSERT_TRUE(sent(Bytes(secondBlock.begin(), secondBlock.end())));

    answer = MessageAnswer::yes;
    dialog.close(); // the close box
    EXPECT_EQ(questions.size(), 2);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.machine().cancelRequested());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(questions.size(), 2) << "already stopping: not asked again";
    EXPECT_TRUE(dialog.isVisible());

    source->push(BL_NEXT);
    ASSERT_TRUE(
        waitFor([&] { return !link->writes.empty() && link->lastWrite()[3] == CMD_BOOT_ABORT; }));
    EXPECT_EQ(dialog.statusLine()->text(), "Wait a few minutes...");
    source->push(BL_DONE);
    ASSERT_TRUE(waitFor([&] { return dialog.machine().state() == TransferState::CancelWait; }));
    source->push(RSP_IDENT, identPayload(1, 0, 0));
    ASSERT_TRUE(
        waitFor([&] { return dialog.statusLine()->text() == "Downloading is canceled..."; }));
    EXPECT_EQ(dialog.button()->text(), "Exit");
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible()) << "over: the window closes without a question";
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(questions[0], "Stop the firmware download? The receiver restarts with its old "
                            "firmware, which takes a few minutes...");
    setQuestionResponder({});
}

// While channel data travels the button reads Cancel and stops the transfer as closing does;
// the report says what became of the file.
TEST_F(TransferWindow, ChannelTransferButtonReadsCancelAndTheReportTellsTheEnd) {
    TransferDialog dialog(endpoint());
    QString path = dir.filePath("kept.cdf");
    dialog.setUpload(path);
    openAndWaitForProbe(dialog);
    source->push(RSP_IDENT, identPayload(3, 1, 0));
    ASSERT_TRUE(waitFor([&] { return dialog.button()->isEnabled(); }));
    QTest::mouseClick(dialog.button(), Qt::LeftButton);
    EXPECT_EQ(dialog.button()->text(), "Cancel");
    EXPECT_TRUE(dialog.button()->isEnabled());
    source->push(RSP_CHANNEL_OPEN, {2, 0});
    source->push(RSP_UPLOAD_START, {0, 0, 0x10, 0, 0});
    ASSERT_TRUE(sent(frameBytes(CMD_UPLOAD_BLOCK, numbered(0))));
    QTest::mouseClick(dialog.button(), Qt::LeftButton);
    expectShutDown(dialog);
    const TransferReport report = dialog.report();
    EXPECT_EQ(report.port, 1);
    EXPECT_EQ(report.fileName, "kept.cdf");
    EXPECT_EQ(transferResultLine(report), "Upload cancelled; kept.cdf was not changed");
    EXPECT_FALSE(QFile::exists(path));
}

// Every ending of a channel transfer gets a line that names the file and the port and says
// what became of the data.
TEST(TransferResultLine, NamesFileAndPortForEachEnding) {
    using K = TransferKind;
    using O = TransferOutcome;
    struct Case {
        TransferReport report;
        const char* line;
    };
    const Case cases[] = {
        {{K::channelUpload, O::succeeded, 1, "a.cdf", true, false, 310},
         "Channel data saved to a.cdf from COM1, 310 programs"},
        {{K::channelUpload, O::succeeded, 2, "a.cdf", true, false, 1},
         "Channel data saved to a.cdf from COM2, 1 program"},
        {{K::channelUpload, O::succeeded, 1, "a.cdf", true, false, -1},
         "Channel data saved to a.cdf from COM1, but it does not read: check it with cdftool"},
        {{K::channelUpload, O::failed, 1, "a.cdf", true, true, -1},
         "Channel data from COM1 not saved: a.cdf could not be written"},
        {{K::channelUpload, O::failed, 0, "a.cdf", false, false, -1},
         "No COM port could be opened; a.cdf was not changed"},
        {{K::channelUpload, O::refused, 3, "a.cdf", false, false, -1},
         "The receiver on COM3 refused the upload; a.cdf was not changed"},
        {{K::channelUpload, O::noAnswer, 1, "a.cdf", true, false, -1},
         "The receiver on COM1 stopped answering; a.cdf was not changed"},
        {{K::channelUpload, O::unconfirmed, 1, "a.cdf", true, false, 12},
         "Channel data saved to a.cdf from COM1, 12 programs; the receiver did not confirm the "
         "end"},
        {{K::channelUpload, O::disconnected, 1, "a.cdf", true, false, -1},
         "The line to the receiver on COM1 was lost; a.cdf was not changed"},
        {{K::channelDownload, O::disconnected, 2, "b.cdf", true, false, -1},
         "The line to the receiver on COM2 was lost midway: download b.cdf again"},
        {{K::channelDownload, O::succeeded, 1, "b.cdf", true, false, -1},
         "Channel data sent to the receiver on COM1 from b.cdf"},
        {{K::channelDownload, O::running, 1, "b.cdf", false, false, -1},
         "Download cancelled; nothing was sent to the receiver"},
        {{K::channelDownload, O::cancelled, 1, "b.cdf", true, false, -1},
         "Download cancelled midway: download b.cdf again"},
        {{K::channelDownload, O::noAnswer, 2, "b.cdf", true, false, -1},
         "The receiver on COM2 stopped answering midway: download b.cdf again"},
        {{K::channelDownload, O::unconfirmed, 4, "b.cdf", true, false, -1},
         "The receiver on COM4 did not confirm b.cdf: check its channels"},
        {{K::channelDownload, O::refused, 1, "b.cdf", false, false, -1},
         "The receiver on COM1 refused b.cdf; nothing was sent to the receiver"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(transferResultLine(c.report), c.line);
}

} // namespace
