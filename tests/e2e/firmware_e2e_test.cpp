// Firmware downloads from the main window through the real transfer window and serial port
// into rx7700-sim: with the receiver's application running, through the boot-mode prompt, and
// cancelled, cut off or never restarting.
#include "tests/e2e/transfer_e2e_fixture.h"

#include "app/editor_app.h"
#include "link/boot_mode_dialog.h"

#include <QApplication>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace std::chrono_literals;

namespace {

class FirmwareEndToEnd : public TransferEndToEnd {
protected:
    // Writes a firmware file and makes it the main window's firmware path.
    void prepareFirmware(int size, std::uint8_t d1, std::uint8_t d2, std::uint8_t d3) {
        image = e2e::firmwareFile(size, d1, d2, d3);
        ASSERT_TRUE(writeFile(path("update.bin"), image));
        settings.writeFirmwarePath(path("update.bin"));
    }

    static BootModeDialog* bootPrompt() {
        return qobject_cast<BootModeDialog*>(QApplication::activeModalWidget());
    }

    QByteArray image;
};

TEST_F(FirmwareEndToEnd, DownloadWithTheReceiverRunning) {
    prepareFirmware(3000, 2, 0, 5);
    startReceiver({"--flash-seconds", "1", "--firmware-out", stdPath("flashed.bin")});
    openMainWindow();

    QString captionAtStart;
    bool captionReadable = false;
    int transferBarMaximum = -1;
    ModalScript script(20s);
    observeTransferWindow(script);
    script
        .then(
            "receiver detected", [] { return statusIs("Version 1.00 detected..."); },
            [&] {
                captionAtStart = transferWindow()->windowTitle();
                captionReadable = captionHasRoom(*transferWindow());
                transferBarMaximum = transferWindow()->transferBar()->maximum();
                clickTransferButton();
            })
        .then(
            "flash written and the receiver back",
            [] { return statusIs("Downloading is successful...") && buttonIs("Exit", true); },
            [] { clickTransferButton(); })
        .then("window closed", [] { return transferWindowClosed(); });
    script.start();
    clickMain("firmwareDownload");
    script.finish();

    EXPECT_TRUE(script.done()) << script.waitingFor().toStdString();
    EXPECT_EQ(captionAtStart, "Firmware download - version 2.05");
    EXPECT_TRUE(captionReadable);
    EXPECT_EQ(transferBarMaximum, 2);
    EXPECT_TRUE(sawStatus("System reset...")) << statuses.join(" | ").toStdString();
    EXPECT_TRUE(sawStatusStartingWith("Sending ... ")) << statuses.join(" | ").toStdString();
    EXPECT_TRUE(sawStatus("Writing ...")) << statuses.join(" | ").toStdString();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(readFile(path("flashed.bin")), image);
    EXPECT_EQ(settings.readComPort(), 1);

    EXPECT_EQ(receiver->stop(), 0);
    EXPECT_EQ(receiver->summaryCount("firmware image"), 1) << receiver->output();
}

// The boot loader cannot be asked again: when its request for the header is lost, the window
// says after 10 s that the download can be repeated in boot mode, and Exit closes it.
TEST_F(FirmwareEndToEnd, LostBootLoaderRequestEndsWithTheBootModeStatus) {
    prepareFirmware(3000, 2, 0, 5);
    startReceiver({"--no-pace", "--flash-seconds", "1", "--firmware-out", stdPath("flashed.bin"),
                   "--fault", "drop=next"});
    openMainWindow();

    ModalScript script(30s);
    observeTransferWindow(script);
    startOnceDetected(script)
        .then(
            "given up", [] { return buttonIs("Exit", true); }, [] { clickTransferButton(); })
        .then("window closed", [] { return transferWindowClosed(); });
    script.start();
    clickMain("firmwareDownload");
    script.finish();

    EXPECT_TRUE(script.done()) << script.waitingFor().toStdString()
                               << "; statuses: " << statuses.join(" | ").toStdString();
    EXPECT_TRUE(sawStatus("No answer from the receiver. Repeat the download in boot mode..."))
        << statuses.join(" | ").toStdString();
    EXPECT_FALSE(sawStatusStartingWith("Sending ... "));
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(QFile::exists(path("flashed.bin")));
    EXPECT_EQ(receiver->stop(), 0);
    EXPECT_EQ(receiver->summaryCount("firmware image"), 0) << receiver->output();
}

// A receiver whose application does not answer: one full scan without an answer enables
// START, the prompt asks for the port, and the receiver is switched on afterwards.
TEST_F(FirmwareEndToEnd, DownloadInBootModeThroughThePrompt) {
    prepareFirmware(3000, 1, 2, 3);
    startReceiver({"--no-pace", "--boot-only", "--flash-seconds", "1", "--firmware-out",
                   stdPath("flashed.bin")});
    settings.writeComPort(0);
    openMainWindow();

    int presetIndex = -2;
    ModalScript script(20s);
    observeTransferWindow(script);
    script
        .then(
            "START enabled after a full scan without an answer",
            [] { return statusIs("COM1...") && buttonIs("START", true); },
            [] { clickTransferButton(); })
        .then(
            "boot-mode prompt", [] { return bootPrompt() != nullptr; },
            [&] {
                BootModeDialog* prompt = bootPrompt();
                presetIndex = prompt->portIndex();
                QTest::mouseClick(prompt->portButton(0), Qt::LeftButton);
                for (QPushButton* button : prompt->findChildren<QPushButton*>())
                    if (button->text() == "OK")
                        QTest::mouseClick(button, Qt::LeftButton);
            })
        .then(
            "waiting for the boot loader",
            [] {
                return bootPrompt() == nullptr &&
                       statusIs("Waiting for the response of your receiver...") &&
                       buttonIs("Cancel", false);
            },
            [&] { ASSERT_TRUE(receiver->control("on")); })
        .then(
            "flash written and the receiver back",
            [] { return statusIs("Downloading is successful...") && buttonIs("Exit", true); },
            [] { clickTransferButton(); })
        .then("window closed", [] { return transferWindowClosed(); });
    script.start();
    clickMain("firmwareDownload");
    script.finish();

    EXPECT_TRUE(script.done()) << script.waitingFor().toStdString();
    EXPECT_EQ(presetIndex, -1) << "no port stored yet, none preselected";
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(readFile(path("flashed.bin")), image);
    EXPECT_EQ(settings.readComPort(), 1);
    EXPECT_FALSE(sawStatusStartingWith("Version ")) << "the receiver never answered a probe";
}

// The boot loader that only says it is ready, switched on by itself while the prompt is still
// open: its greetings behind the prompt are dropped, the repeated one is answered.
TEST_F(FirmwareEndToEnd, BootModeWithReadyGreetingAndPowerOnBehindThePrompt) {
    prepareFirmware(2100, 1, 0, 1);
    startReceiver({"--no-pace", "--boot-only", "--greeting", "ready", "--power-on-after", "1",
                   "--flash-seconds", "1", "--firmware-out", stdPath("flashed.bin")});
    settings.writeComPort(1);
    openMainWindow();

    int presetIndex = -2;
    ModalScript script(20s);
    observeTransferWindow(script);
    script
        .then(
            "START enabled", [] { return buttonIs("START", true); }, [] { clickTransferButton(); })
        .then("boot-mode prompt", [] { return bootPrompt() != nullptr; })
        .then(
            "receiver greeting behind the prompt",
            [&, shown = QElapsedTimer()]() mutable {
                if (!shown.isValid())
                    shown.start();
                return shown.elapsed() > 1500;
            },
            [&] {
                presetIndex = bootPrompt()->portIndex();
                bootPrompt()->accept();
            })
        .then(
            "flash written and the receiver back",
            [] { return statusIs("Downloading is successful..."); }, [] { clickTransferButton(); })
        .then("window closed", [] { return transferWindowClosed(); });
    script.start();
    clickMain("firmwareDownload");
    script.finish();

    EXPECT_TRUE(script.done()) << script.waitingFor().toStdString();
    EXPECT_EQ(presetIndex, 0) << "COM1 preselected from the stored port";
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(readFile(path("flashed.bin")), image);
}

// The prompt answered with a port that has no device behind it: the user is told and the
// transfer window ends.
TEST_F(FirmwareEndToEnd, BootModeOnAPortWithoutDeviceEndsTheWindow) {
    prepareFirmware(2000, 1, 0, 0);
    startReceiver({"--no-pace", "--boot-only"});
    openMainWindow();

    ModalScript script(20s);
    script
        .then(
            "START enabled", [] { return buttonIs("START", true); }, [] { clickTransferButton(); })
        .then(
            "boot-mode prompt", [] { return bootPrompt() != nullptr; },
            [] {
                bootPrompt()->setPortIndex(2);
                bootPrompt()->accept();
            })
        .then("window closed", [] { return transferWindowClosed(); });
    script.start();
    clickMain("firmwareDownload");
    script.finish();

    EXPECT_TRUE(script.done()) << script.waitingFor().toStdString();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "COM port is not available...");
    EXPECT_EQ(messages[0].icon, MessageIcon::stop);
    EXPECT_EQ(settings.readComPort(), 3) << "stored before the port was tried";
}

TEST_F(FirmwareEndToEnd, CancelDuringTheBlocksLeavesTheFlashAsItWas) {
    prepareFirmware(40 * 1024, 3, 0, 0);
    startReceiver({"--flash-seconds", "1", "--firmware-out", stdPath("flashed.bin")});
    openMainWindow();

    ModalScript script(20s);
    observeTransferWindow(script);
    startOnceDetected(script)
        .then(
            "blocks on their way",
            [] { return statusStartsWith("Sending ... ") && buttonIs("Cancel", true); },
            [] { clickTransferButton(); })
        .then(
            "receiver back after the abort",
            [] { return statusIs("Downloading is canceled...") && buttonIs("Exit", true); },
            [] {
                EXPECT_EQ(transferWindow()->writeBar()->value(), 10);
                clickTransferButton();
            })
        .then("window closed", [] { return transferWindowClosed(); });
    script.start();
    clickMain("firmwareDownload");
    script.finish();

    EXPECT_TRUE(script.done()) << script.waitingFor().toStdString();
    EXPECT_TRUE(sawStatus("Wait a few minutes...")) << statuses.join(" | ").toStdString();
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(QFile::exists(path("flashed.bin")));
    EXPECT_EQ(receiver->stop(), 0);
    EXPECT_EQ(receiver->summaryCount("abort"), 1) << receiver->output();
    EXPECT_EQ(receiver->summaryCount("firmware image"), 0) << receiver->output();
}

// Ways of leaving the window in the middle of the blocks.
enum class Leaving { escape, closeBox, quitProgram };

class FirmwareLeftMidway : public FirmwareEndToEnd,
                           public ::testing::WithParamInterface<Leaving> {};

// Escape, the close box and quitting the program ask first, then stop the download exactly as
// Cancel does: the abort goes out, the window waits for the receiver's restart with its old
// firmware and says so.
TEST_P(FirmwareLeftMidway, AsksThenAbortsAndWaitsAsCancelDoes) {
    prepareFirmware(40 * 1024, 3, 0, 0);
    startReceiver({"--flash-seconds", "1", "--firmware-out", stdPath("flashed.bin")});
    openMainWindow();

    ModalScript script(20s);
    observeTransferWindow(script);
    startOnceDetected(script)
        .then(
            "blocks on their way", [] { return statusStartsWith("Sending ... "); },
            [] {
                switch (GetParam()) {
                case Leaving::escape:
                    QTest::keyClick(transferWindow(), Qt::Key_Escape);
                    break;
                case Leaving::closeBox:
                    transferWindow()->close();
                    break;
                case Leaving::quitProgram:
                    EditorApp::quit();
                    break;
                }
            })
        .then(
            "receiver back after the abort",
            [] { return statusIs("Downloading is canceled...") && buttonIs("Exit", true); },
            [] { clickTransferButton(); })
        .then("window closed", [] { return transferWindowClosed(); });
    script.start();
    clickMain("firmwareDownload");
    script.finish();

    EXPECT_TRUE(script.done()) << script.waitingFor().toStdString()
                               << "; statuses: " << statuses.join(" | ").toStdString();
    EXPECT_EQ(questions, QStringList{"Stop the firmware download? The receiver restarts with its "
                                     "old firmware, which takes a few minutes..."});
    EXPECT_TRUE(sawStatus("Wait a few minutes...")) << statuses.join(" | ").toStdString();
    EXPECT_TRUE(mainWindow->isVisible()) << "the program goes on until the user leaves it";
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(QFile::exists(path("flashed.bin")));
    EXPECT_EQ(receiver->stop(), 0);
    EXPECT_EQ(receiver->summaryCount("abort"), 1) << receiver->output();
    EXPECT_EQ(receiver->summaryCount("firmware image"), 0) << receiver->output();
}

INSTANTIATE_TEST_SUITE_P(Ways, FirmwareLeftMidway,
                         ::testing::Values(Leaving::escape, Leaving::closeBox,
                                           Leaving::quitProgram));

// The line goes dead in the middle of the blocks: the window waits without burning the
// processor and, the transfer being over, closes unasked when the user closes it.
TEST_F(FirmwareEndToEnd, HangUpDuringTheBlocks) {
    prepareFirmware(10 * 1024, 3, 0, 0);
    startReceiver(
        {"--no-pace", "--fault", "hangup-after=3", "--firmware-out", stdPath("flashed.bin")});
    openMainWindow();

    double cpuShare = -1;
    int blocksSent = -1;
    ModalScript script(20s);
    observeTransferWindow(script);
    startOnceDetected(script)
        .then(
            "line hung up", [&] { return receiver->waitForExit(0ms) == 0; },
            [&] {
                cpuShare = cpuShareWhileIdle(1500ms);
                ASSERT_NE(transferWindow(), nullptr) << "the window waits for the user";
                blocksSent = transferWindow()->transferBar()->value() + 1;
                transferWindow()->close();
            })
        .then("window closed", [] { return transferWindowClosed(); });
    script.start();
    clickMain("firmwareDownload");
    script.finish();

    EXPECT_TRUE(script.done()) << script.waitingFor().toStdString();
    EXPECT_EQ(blocksSent, 4) << "three blocks taken, the fourth sent on the last reply";
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_GE(cpuShare, 0);
    EXPECT_LT(cpuShare, 0.25) << "no busy loop on a dead line";
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(QFile::exists(path("flashed.bin")));
}

// A receiver that never comes back after flashing: the window keeps probing and counting,
// offers no Exit while the flash is written, and closes on Escape without a question (the
// receiver needs nothing more from the PC).
TEST_F(FirmwareEndToEnd, NoRestartAfterFlashingLeavesTheWindowWaiting) {
    prepareFirmware(1500, 3, 0, 0);
    startReceiver({"--no-pace", "--flash-seconds", "0", "--fault", "no-restart"});
    openMainWindow();

    ModalScript script(20s);
    observeTransferWindow(script);
    startOnceDetected(script)
        .then(
            "writing counted", [] { return statusIs("Writing ... 2 sec"); },
            [] {
                EXPECT_TRUE(buttonIs("Exit", false));
                EXPECT_EQ(transferWindow()->writeBar()->value(), 4);
                QTest::keyClick(transferWindow(), Qt::Key_Escape);
            })
        .then("window closed", [] { return transferWindowClosed(); });
    script.start();
    clickMain("firmwareDownload");
    script.finish();

    EXPECT_TRUE(script.done()) << script.waitingFor().toStdString();
    EXPECT_FALSE(sawStatus("Downloading is successful..."));
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(questions.isEmpty());
}

} // namespace
