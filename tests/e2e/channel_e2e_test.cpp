// Channel data uploads and downloads from the main window through the real transfer window and
// serial port with rx7700-sim: byte for byte, with lost and damaged replies made good by the
// re-sends, refused by the receiver, and cut off.
#include "tests/e2e/transfer_e2e_fixture.h"

#include "channels/channel_database.h"
#include "channels/channel_file_reader.h"
#include "widgets/file_dialog.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QTest>
#include <QThread>
#include <QTimer>

using namespace std::chrono_literals;

namespace {

constexpr int headerSize = 14;

class ChannelEndToEnd : public TransferEndToEnd {
protected:
    // The channel data the receiver starts with.
    void prepareReceiverChannels(int programs, std::uint32_t seed) {
        receiverFile = e2e::generatedChannelFile(programs, seed, 2);
        ASSERT_FALSE(receiverFile.isEmpty());
        ASSERT_TRUE(writeFile(path("receiver.cdf"), receiverFile));
    }
    // The Channel Data File on the PC, and the main window's channel path pointing at it;
    // "held.cdf" is other channel data of the same layout for the receiver to start with.
    void prepareLocalChannels(int programs, std::uint32_t seed) {
        localFile = e2e::generatedChannelFile(programs, seed, 1);
        ASSERT_FALSE(localFile.isEmpty());
        ASSERT_TRUE(writeFile(path("local.cdf"), localFile));
        settings.writeChannelPath(path("local.cdf"));
        ASSERT_TRUE(writeFile(path("held.cdf"), e2e::generatedChannelFile(5, seed + 1, 1)));
    }

    // Press START as soon as the receiver is detected and wait for the window to close by
    // itself; `atStart` runs just before the click.
    void runUntilClosed(const char* mainButton, std::function<void()> atStart = {}) {
        ModalScript script(30s);
        observeTransferWindow(script);
        script
            .then(
                "receiver detected", [] { return statusIs("Version 1.00 detected..."); },
                [atStart] {
                    if (atStart)
                        atStart();
                    clickTransferButton();
                })
            .then("window closed by itself", [] { return transferWindowClosed(); });
        script.start();
        clickMain(mainButton);
        script.finish();
        EXPECT_TRUE(script.done()) << script.waitingFor().toStdString()
                                   << "; statuses: " << statuses.join(" | ").toStdString();
    }

    // The receiver saves each completed download; waits for the file to appear.
    QByteArray receiverSavedFile() {
        QElapsedTimer clock;
        clock.start();
        while (!QFile::exists(path("receiver-out.cdf")) && clock.elapsed() < 2000)
            QThread::msleep(10);
        return readFile(path("receiver-out.cdf"));
    }

    static QByteArray body(const QByteArray& file) { return file.mid(headerSize); }

    QByteArray receiverFile;
    QByteArray localFile;
};

TEST_F(ChannelEndToEnd, UploadSavesTheReceiversDataWithTheTimeOfStart) {
    prepareReceiverChannels(120, 7);
    ASSERT_GT(receiverFile.size(), 3 * 1024) << "several blocks";
    startReceiver({"--channels", stdPath("receiver.cdf")});
    settings.writeChannelPath(path("uploaded.cdf"));
    openMainWindow();

    QDateTime before;
    QString captionAtStart;
    bool captionReadable = false;
    runUntilClosed("channelUpload", [&] {
        captionAtStart = transferWindow()->windowTitle();
        captionReadable = captionHasRoom(*transferWindow());
        before = QDateTime::currentDateTimeUtc();
    });
    const QDateTime after = QDateTime::currentDateTimeUtc();

    const QByteArray saved = readFile(path("uploaded.cdf"));
    ASSERT_EQ(saved.size(), receiverFile.size());
    EXPECT_EQ(saved.left(5), receiverFile.left(5)) << "magic, layout and flags";
    EXPECT_EQ(saved.mid(10, 4), receiverFile.mid(10, 4)) << "body length";
    EXPECT_TRUE(body(saved) == body(receiverFile)) << "body byte for byte";

    // The header carries the GMT time the caption showed when START was pressed, which is
    // at most one probe interval old.
    const auto header = [&](int i) { return int(std::uint8_t(saved[i])); };
    const QDateTime stamped(QDate(2000 + header(7), header(6), header(5)),
                            QTime(header(8), header(9)), Qt::UTC);
    EXPECT_EQ(
        captionAtStart,
        QString::asprintf("Channel data upload - uploaded.cdf - %4d-%02d-%02d %02d:%02d (GMT)",
                          2000 + header(7), header(6), header(5), header(8), header(9)));
    const auto minuteOf = [](const QDateTime& t) {
        return QDateTime(t.date(), QTime(t.time().hour(), t.time().minute()), Qt::UTC);
    };
    EXPECT_TRUE(captionReadable) << "the date and time in the caption are not cut off";
    EXPECT_GE(stamped, minuteOf(before.addMSecs(-1000)));
    EXPECT_LE(stamped, minuteOf(after));

    ChannelDatabase database;
    EXPECT_EQ(readChannelFile(database, path("uploaded.cdf")), 0) << "the editor can read it";
    EXPECT_TRUE(sawStatusStartingWith("Receiving ... ")) << statuses.join(" | ").toStdString();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(mainWindow->channelPath(), path("uploaded.cdf"));
    EXPECT_EQ(mainWindow->transferResult(),
              "Channel data saved to uploaded.cdf from COM1, 120 programs");
    // Until the next action.
    setFileDialogResponder([](const FileDialogRequest&) { return QString(); });
    clickMain("firmwareBrowse");
    setFileDialogResponder({});
    EXPECT_EQ(mainWindow->transferResult(), "");
}

TEST_F(ChannelEndToEnd, DownloadLeavesTheReceiverHoldingTheFilesBody) {
    prepareLocalChannels(120, 11);
    startReceiver(
        {"--channels", stdPath("held.cdf"), "--channels-out", stdPath("receiver-out.cdf")});
    openMainWindow();

    QString caption;
    bool captionReadable = false;
    runUntilClosed("channelDownload", [&] {
        caption = transferWindow()->windowTitle();
        captionReadable = captionHasRoom(*transferWindow());
    });
    EXPECT_TRUE(captionReadable) << "the date and time in the caption are not cut off";

    const auto header = [&](int i) { return int(std::uint8_t(localFile[i])); };
    EXPECT_EQ(caption,
              QString::asprintf("Channel data download - local.cdf - %4d-%02d-%02d %02d:%02d",
                                2000 + header(7), header(6), header(5), header(8), header(9)));
    EXPECT_TRUE(body(receiverSavedFile()) == body(localFile));
    EXPECT_EQ(mainWindow->transferResult(),
              "Channel data sent to the receiver on COM1 from local.cdf");
    EXPECT_TRUE(sawStatusStartingWith("Sending ... ")) << statuses.join(" | ").toStdString();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(readFile(path("local.cdf")), localFile) << "the file sent is left alone";
}

// Lost and damaged replies in both directions: the re-sends on the poll timer and on a wrong
// acknowledgement bring every block across, and an upload afterwards returns exactly what
// was downloaded.
TEST_F(ChannelEndToEnd, DownloadThenUploadRecoverLostAndDamagedReplies) {
    prepareLocalChannels(200, 3);
    startReceiver({"--no-pace", "--channels", stdPath("held.cdf"), "--channels-out",
                   stdPath("receiver-out.cdf"), "--fault", "drop=0.1,corrupt=0.1,wrong-block=0.1",
                   "--seed", "139"});
    openMainWindow();

    runUntilClosed("channelDownload");
    EXPECT_TRUE(body(receiverSavedFile()) == body(localFile));

    // The same main window: the first transfer window has given the port back.
    typeIntoMain("channelPath", path("uploaded.cdf"));
    runUntilClosed("channelUpload");
    const QByteArray uploaded = readFile(path("uploaded.cdf"));
    EXPECT_TRUE(body(uploaded) == body(localFile));
    EXPECT_TRUE(messages.empty());

    EXPECT_EQ(receiver->stop(), 0);
    EXPECT_GE(receiver->summaryCount("fault"), 5) << receiver->output();
}

TEST_F(ChannelEndToEnd, RefusedUploadClosesTheWindowAndWritesNothing) {
    startReceiver({"--no-pace", "--fault", "refuse-upload"});
    settings.writeChannelPath(path("uploaded.cdf"));
    openMainWindow();

    runUntilClosed("channelUpload");
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(QFile::exists(path("uploaded.cdf")));
    EXPECT_EQ(mainWindow->channelPath(), path("uploaded.cdf"));
}

TEST_F(ChannelEndToEnd, RefusedDownloadClosesTheWindowAndTheReceiverKeepsItsData) {
    prepareLocalChannels(10, 4);
    startReceiver({"--no-pace", "--channels", stdPath("held.cdf"), "--channels-out",
                   stdPath("receiver-out.cdf"), "--fault", "refuse-download"});
    openMainWindow();

    runUntilClosed("channelDownload");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(receiver->stop(), 0);
    EXPECT_FALSE(QFile::exists(path("receiver-out.cdf")));
    EXPECT_EQ(receiver->summaryCount("download"), 0) << receiver->output();
}

// An upload into a file that cannot be created: the user is told before any transfer window
// opens, and the main window forgets the path so that the next channel action asks for one.
TEST_F(ChannelEndToEnd, UploadThatCannotBeSavedIsRefusedBeforeTheTransfer) {
    ASSERT_TRUE(writeFile(path("not-a-folder"), "x"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("a-folder"));
    startReceiver({"--no-pace"});
    for (const char* target : {"not-a-folder/uploaded.cdf", "a-folder"}) {
        messages.clear();
        settings.writeChannelPath(path(target));
        openMainWindow();
        // Had a window opened, this closes it and the test fails instead of hanging.
        bool windowOpened = false;
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&] {
            windowOpened = transferWindow() != nullptr;
            if (windowOpened)
                transferWindow()->close();
        });
        guard.start(200ms);
        clickMain("channelUpload");
        EXPECT_FALSE(windowOpened) << target;
        ASSERT_EQ(messages.size(), 1u) << target;
        EXPECT_EQ(messages[0].text, "Cannot create a file...");
        EXPECT_TRUE(mainWindow->channelPath().isEmpty());
        EXPECT_EQ(settings.readChannelPath(), path(target));
    }
    EXPECT_EQ(receiver->stop(), 0);
    EXPECT_EQ(receiver->summaryCount("upload"), 0) << receiver->output();
}

// Lost replies that may be asked for again: the opening and the end of an upload over a file
// the user already has. The upload completes byte for byte, and the old file is kept beside
// it as NAME.cdf.~1~.
TEST_F(ChannelEndToEnd, UploadRecoversLostOpeningAndEndAndKeepsTheOldFile) {
    prepareReceiverChannels(120, 31);
    startReceiver({"--no-pace", "--channels", stdPath("receiver.cdf"), "--fault",
                   "drop=open,drop=upload-start,drop=upload-end"});
    const QByteArray oldFile = e2e::generatedChannelFile(30, 32);
    ASSERT_TRUE(writeFile(path("uploaded.cdf"), oldFile));
    settings.writeChannelPath(path("uploaded.cdf"));
    openMainWindow();

    runUntilClosed("channelUpload");
    EXPECT_TRUE(body(readFile(path("uploaded.cdf"))) == body(receiverFile));
    EXPECT_EQ(readFile(path("uploaded.cdf.~1~")), oldFile);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(receiver->stop(), 0);
    EXPECT_EQ(receiver->summaryCount("fault"), 3) << receiver->output();
}

// The end of a download must not be sent twice: when its confirmation is lost, the window
// says so after 10 s and waits for Exit, with the port closed.
TEST_F(ChannelEndToEnd, LostDownloadEndEndsWithAStatusAndExit) {
    prepareLocalChannels(40, 33);
    startReceiver({"--no-pace", "--channels", stdPath("held.cdf"), "--channels-out",
                   stdPath("receiver-out.cdf"), "--fault", "drop=download-end"});
    openMainWindow();

    TransferOutcome outcome = TransferOutcome::running;
    ModalScript script(30s);
    observeTransferWindow(script);
    startOnceDetected(script)
        .then(
            "given up", [] { return buttonIs("Exit", true); },
            [&] {
                outcome = transferWindow()->machine().outcome();
                clickTransferButton();
            })
        .then("window closed", [] { return transferWindowClosed(); });
    script.start();
    clickMain("channelDownload");
    script.finish();

    EXPECT_TRUE(script.done()) << script.waitingFor().toStdString()
                               << "; statuses: " << statuses.join(" | ").toStdString();
    EXPECT_EQ(outcome, TransferOutcome::unconfirmed);
    EXPECT_TRUE(
        sawStatus("The receiver did not confirm the download. Check its channels and try again..."))
        << statuses.join(" | ").toStdString();
    EXPECT_FALSE(sawStatus("Downloading is successful..."));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(receiver->stop(), 0);
}

// One acknowledgement arrives 1.2 s late, after the block was sent again: the late answer and
// the answer to the copy must not both move the download on. The lost replies to the opening
// and the start are asked for again.
TEST_F(ChannelEndToEnd, LateAcknowledgementCostsOnlyAFewFrames) {
    prepareLocalChannels(400, 34);
    const int blocks = int((localFile.size() - headerSize + 1023) / 1024);
    ASSERT_GT(blocks, 10);
    startReceiver({"--channels", stdPath("held.cdf"), "--channels-out", stdPath("receiver-out.cdf"),
                   "--fault", "slow-ack=5:1.2,drop=open,drop=download-start"});
    openMainWindow();

    runUntilClosed("channelDownload");
    EXPECT_TRUE(body(receiverSavedFile()) == body(localFile));
    EXPECT_EQ(receiver->stop(), 0);
    const long frames = receiver->summaryCount("download block frame");
    EXPECT_GT(frames, blocks) << "the late block was sent again";
    EXPECT_LE(frames, blocks + 4) << receiver->output();
    EXPECT_EQ(receiver->summaryCount("fault"), 3) << "the lost opening and start were asked again";
}

// A file whose layout differs from the receiver's is refused with both named, before any
// block goes out; so is one the editor could not read.
TEST_F(ChannelEndToEnd, DownloadTheReceiverCouldNotReadIsRefused) {
    prepareLocalChannels(20, 35);
    startReceiver({"--no-pace", "--channels-out", stdPath("receiver-out.cdf")}); // layout 2
    openMainWindow();

    runUntilClosed("channelDownload");
    ASSERT_EQ(messages.size(), 1u);
    const auto flags = unsigned(std::uint8_t(localFile[4]));
    EXPECT_TRUE(messages[0].text.startsWith("The receiver holds layout 2, flags 0x"))
        << messages[0].text.toStdString();
    EXPECT_TRUE(messages[0].text.endsWith(
        QString::asprintf("this file has layout 1, flags 0x%02X. Nothing was sent...", flags)))
        << messages[0].text.toStdString();

    // A file that passes the quick check but not the full read never opens a window.
    QByteArray damaged = localFile;
    damaged[3] = char(7); // a layout no reader knows
    ASSERT_TRUE(writeFile(path("local.cdf"), damaged));
    messages.clear();
    clickMain("channelDownload");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Invalid CDF format...");

    EXPECT_EQ(receiver->stop(), 0);
    EXPECT_EQ(receiver->summaryCount("download block frame"), 0) << receiver->output();
    EXPECT_FALSE(QFile::exists(path("receiver-out.cdf")));
}

// The line goes dead halfway: the window says so at once, does not burn the processor,
// closes on Escape, and no file is left behind.
TEST_F(ChannelEndToEnd, HangUpDuringUploadLeavesNoFile) {
    prepareReceiverChannels(200, 9);
    ASSERT_GT(receiverFile.size(), 5 * 1024);
    startReceiver(
        {"--no-pace", "--channels", stdPath("receiver.cdf"), "--fault", "hangup-after=2"});
    settings.writeChannelPath(path("uploaded.cdf"));
    openMainWindow();

    double cpuShare = -1;
    int blocksReceived = -1;
    ModalScript script(20s);
    observeTransferWindow(script);
    startOnceDetected(script)
        .then("line hung up", [&] { return receiver->waitForExit(0ms) == 0; })
        .then(
            "hang-up told",
            [] {
                return statusIs("The cable or adapter was disconnected. Your file is unchanged...");
            },
            [&] {
                EXPECT_TRUE(buttonIs("Exit", true));
                cpuShare = cpuShareWhileIdle(1500ms);
                ASSERT_NE(transferWindow(), nullptr) << "the window waits for the user";
                blocksReceived = transferWindow()->transferBar()->value() + 1;
                QTest::keyClick(transferWindow(), Qt::Key_Escape);
            })
        .then("window closed", [] { return transferWindowClosed(); });
    script.start();
    clickMain("channelUpload");
    script.finish();

    EXPECT_TRUE(script.done()) << script.waitingFor().toStdString();
    EXPECT_EQ(blocksReceived, 2);
    EXPECT_LT(cpuShare, 0.25) << "no busy loop on a dead line";
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(QFile::exists(path("uploaded.cdf")));
    EXPECT_EQ(mainWindow->channelPath(), path("uploaded.cdf"));
}

// The user cancels halfway through an upload into an existing file (the button reads Cancel
// while the data comes in): the file stays exactly as it was, and the main window says so.
TEST_F(ChannelEndToEnd, ClosingDuringUploadKeepsTheOldFile) {
    prepareReceiverChannels(200, 21);
    startReceiver({"--channels", stdPath("receiver.cdf")});
    const QByteArray oldFile = e2e::generatedChannelFile(30, 22);
    ASSERT_TRUE(writeFile(path("uploaded.cdf"), oldFile));
    settings.writeChannelPath(path("uploaded.cdf"));
    openMainWindow();

    ModalScript script(20s);
    observeTransferWindow(script);
    startOnceDetected(script)
        .then(
            "blocks coming in",
            [] { return statusStartsWith("Receiving ... ") && buttonIs("Cancel", true); },
            [] { clickTransferButton(); })
        .then("window closed", [] { return transferWindowClosed(); });
    script.start();
    clickMain("channelUpload");
    script.finish();

    EXPECT_TRUE(script.done()) << script.waitingFor().toStdString();
    EXPECT_EQ(mainWindow->transferResult(), "Upload cancelled; uploaded.cdf was not changed");
    EXPECT_FALSE(sawStatus("Uploading is successful..."));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(readFile(path("uploaded.cdf")), oldFile);
    EXPECT_EQ(receiver->stop(), 0);
    EXPECT_EQ(receiver->summaryCount("upload"), 0) << receiver->output();
}

TEST_F(ChannelEndToEnd, HangUpDuringDownloadIsClosable) {
    prepareLocalChannels(200, 12);
    startReceiver({"--no-pace", "--channels", stdPath("held.cdf"), "--channels-out",
                   stdPath("receiver-out.cdf"), "--fault", "hangup-after=2"});
    openMainWindow();

    double cpuShare = -1;
    ModalScript script(20s);
    observeTransferWindow(script);
    startOnceDetected(script)
        .then(
            "line hung up", [&] { return receiver->waitForExit(0ms) == 0; },
            [&] {
                cpuShare = cpuShareWhileIdle(1500ms);
                ASSERT_NE(transferWindow(), nullptr) << "the window waits for the user";
                transferWindow()->close();
            })
        .then("window closed", [] { return transferWindowClosed(); });
    script.start();
    clickMain("channelDownload");
    script.finish();

    EXPECT_TRUE(script.done()) << script.waitingFor().toStdString();
    EXPECT_LT(cpuShare, 0.25) << "no busy loop on a dead line";
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(QFile::exists(path("receiver-out.cdf")));
}

} // namespace
