// Channel data uploads and downloads from the main window through the real transfer window and
// serial port with rx7700-sim: byte for byte, with lost and damaged replies made good by the
// re-sends, refused by the receiver, and cut off.
#include "tests/e2e/transfer_e2e_fixture.h"

#include "channels/channel_database.h"
#include "channels/channel_file_reader.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QTest>
#include <QThread>

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
    // The Channel Data File on the PC, and the main window's channel path pointing at it.
    void prepareLocalChannels(int programs, std::uint32_t seed) {
        localFile = e2e::generatedChannelFile(programs, seed, 1);
        ASSERT_FALSE(localFile.isEmpty());
        ASSERT_TRUE(writeFile(path("local.cdf"), localFile));
        settings.writeChannelPath(path("local.cdf"));
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
    EXPECT_EQ(captionAtStart,
              QString::asprintf("Channel data upload - %02d/%02d/%4d %02d:%02d (GMT)", header(5),
                                header(6), 2000 + header(7), header(8), header(9)));
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
}

TEST_F(ChannelEndToEnd, DownloadLeavesTheReceiverHoldingTheFilesBody) {
    prepareLocalChannels(120, 11);
    startReceiver({"--channels-out", stdPath("receiver-out.cdf")});
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
              QString::asprintf("Channel data download - %02d/%02d/%4d %02d:%02d", header(5),
                                header(6), 2000 + header(7), header(8), header(9)));
    EXPECT_TRUE(body(receiverSavedFile()) == body(localFile));
    EXPECT_TRUE(sawStatusStartingWith("Sending ... ")) << statuses.join(" | ").toStdString();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(readFile(path("local.cdf")), localFile) << "the file sent is left alone";
}

// Lost and damaged replies in both directions: the re-sends on the poll timer and on a wrong
// acknowledgement bring every block across, and an upload afterwards returns exactly what
// was downloaded.
TEST_F(ChannelEndToEnd, DownloadThenUploadRecoverLostAndDamagedReplies) {
    prepareLocalChannels(200, 3);
    startReceiver({"--no-pace", "--channels-out", stdPath("receiver-out.cdf"), "--fault",
                   "drop=0.1,corrupt=0.1,wrong-block=0.1", "--seed", "139"});
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
    startReceiver(
        {"--no-pace", "--channels-out", stdPath("receiver-out.cdf"), "--fault", "refuse-download"});
    openMainWindow();

    runUntilClosed("channelDownload");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(receiver->stop(), 0);
    EXPECT_FALSE(QFile::exists(path("receiver-out.cdf")));
    EXPECT_EQ(receiver->summaryCount("download"), 0) << receiver->output();
}

// An upload into a file that cannot be created: the user is told, and the main window forgets
// the path so that the next channel action asks for one.
TEST_F(ChannelEndToEnd, UploadThatCannotBeSavedEmptiesTheChannelPath) {
    ASSERT_TRUE(writeFile(path("not-a-folder"), "x"));
    startReceiver({"--no-pace"});
    settings.writeChannelPath(path("not-a-folder/uploaded.cdf"));
    openMainWindow();

    runUntilClosed("channelUpload");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Cannot create a file...");
    EXPECT_TRUE(mainWindow->channelPath().isEmpty());
    EXPECT_EQ(settings.readChannelPath(), path("not-a-folder/uploaded.cdf"));
}

// The line goes dead halfway: the window keeps waiting without burning the processor, closes
// on Escape, and no file is left behind.
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
        .then(
            "line hung up", [&] { return receiver->waitForExit(0ms) == 0; },
            [&] {
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

// The user closes the window halfway through an upload into an existing file: the file stays
// exactly as it was.
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
            "blocks coming in", [] { return statusStartsWith("Receiving ... "); },
            [] { QTest::keyClick(transferWindow(), Qt::Key_Escape); })
        .then("window closed", [] { return transferWindowClosed(); });
    script.start();
    clickMain("channelUpload");
    script.finish();

    EXPECT_TRUE(script.done()) << script.waitingFor().toStdString();
    EXPECT_FALSE(sawStatus("Uploading is successful..."));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(readFile(path("uploaded.cdf")), oldFile);
    EXPECT_EQ(receiver->stop(), 0);
    EXPECT_EQ(receiver->summaryCount("upload"), 0) << receiver->output();
}

TEST_F(ChannelEndToEnd, HangUpDuringDownloadIsClosable) {
    prepareLocalChannels(200, 12);
    startReceiver(
        {"--no-pace", "--channels-out", stdPath("receiver-out.cdf"), "--fault", "hangup-after=2"});
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
