// rx7700ctl as the user runs it, a separate process, against rx7700-sim on a pseudo-terminal:
// each command byte for byte, the file checks, no receiver, Ctrl+C, every ending with its exit
// code and error line, and the plain progress lines a script's log gets.
#include "base/last_settings.h"
#include "channels/channel_file_generator.h"
#include "ctl/port_choice.h"
#include "link/serial_device_map.h"
#include "sim/sim_process.h"
#include "tests/support/sample_files.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

namespace {

struct CtlRun {
    int exitCode = -1;
    QString out;
    QString err;
    qint64 ms = 0;
};

class CtlEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        routeProgramPorts(QString());
    }
    void TearDown() override {
        if (sim.running())
            sim.stop(SIGTERM);
    }

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    std::string stdPath(const char* name) const { return path(name).toStdString(); }
    QString link() const { return path("rx7700-com1"); }

    // COM1 of the program's own settings (which rx7700ctl shares with the window) at `com1`,
    // every other port at a path that does not exist: no test reaches a real serial port.
    static void routeProgramPorts(const QString& com1) {
        SettingsStore store = programSettings();
        for (int port = 1; port <= serialPortCount; ++port) {
            const QString device =
                port == 1 && !com1.isEmpty()
                    ? com1
                    : TestEnvironment::root() + QStringLiteral("/no-serial-port-%1").arg(port);
            store.writeText(portsSectionName(), portValueName(port), device);
        }
    }

    void startReceiver(std::vector<std::string> args) {
        args.insert(args.begin(), {"--link", link().toStdString()});
        ASSERT_TRUE(sim.start(args, stdPath("sim-stderr.txt")));
        routeProgramPorts(link());
    }

    // Runs rx7700ctl; `whileRunning` may act on it (it is called as standard error grows).
    CtlRun runCtl(const QStringList& arguments,
                  const std::function<void(QProcess&, const QString& err)>& whileRunning = {}) {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        QElapsedTimer clock;
        clock.start();
        process.start(QStringLiteral(RX7700CTL_EXECUTABLE), arguments);
        EXPECT_TRUE(process.waitForStarted(5000));
        CtlRun run;
        while (process.state() != QProcess::NotRunning && clock.elapsed() < 90'000) {
            process.waitForReadyRead(50);
            run.err += QString::fromLocal8Bit(process.readAllStandardError());
            if (whileRunning)
                whileRunning(process, run.err);
        }
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
            ADD_FAILURE() << "rx7700ctl did not end";
        }
        run.ms = clock.elapsed();
        run.err += QString::fromLocal8Bit(process.readAllStandardError());
        run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        return run;
    }

    static QByteArray readFile(const QString& name) {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static bool writeFile(const QString& name, const QByteArray& bytes) {
        QFile file(name);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    static QByteArray channelFile(int programs, std::uint32_t seed) {
        ChannelGeneratorOptions options;
        options.seed = seed;
        options.programs = programs;
        QByteArray image;
        return generateChannelImage(options, image) == 0 ? image : QByteArray();
    }

    QTemporaryDir dir;
    sim::SimProcess sim;
};

TEST_F(CtlEndToEnd, ProbeFindsTheReceiverWhereTheWindowWouldAndKeepsItsPort) {
    startReceiver({"--no-pace", "--ident-version", "2.07"});
    const CtlRun run = runCtl({QStringLiteral("probe")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(), "port: COM1 (" + link().toStdString() +
                                         ")\nidentification: 52583737 (RX77)\nversion: 2.07\n");
    EXPECT_EQ(LastSettings(programSettings()).readComPort(), 1);

    // A name without a slash is the device when such a file exists (the link, here).
    const CtlRun relative = runCtl({"probe", "--port", "rx7700-com1"});
    EXPECT_EQ(relative.exitCode, 0) << relative.err.toStdString();
    EXPECT_TRUE(relative.out.startsWith("port: rx7700-com1\n")) << relative.out.toStdString();
}

TEST_F(CtlEndToEnd, UploadIsByteExactKeepsEveryPreviousFileAndLogsEveryTenPercent) {
    const QByteArray held = channelFile(400, 3);
    ASSERT_GT(held.size(), 10 * 1024) << "enough blocks for ten progress lines";
    ASSERT_TRUE(writeFile(path("held.cdf"), held));
    ASSERT_TRUE(writeFile(path("mine.cdf"), "the user's old file"));
    startReceiver({"--no-pace", "--channels", stdPath("held.cdf")});

    const CtlRun run = runCtl({"upload", "mine.cdf", "--port", link()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray saved = readFile(path("mine.cdf"));
    EXPECT_EQ(saved.left(5), held.left(5)) << "magic, layout and flags of the receiver";
    EXPECT_EQ(saved.mid(10), held.mid(10)) << "length and body byte for byte";
    EXPECT_EQ(readFile(path("mine.cdf.~1~")), QByteArray("the user's old file"));

    QStringList progress;
    for (const QString& line : run.err.split(u'\n'))
        if (line.startsWith(QStringLiteral("Receiving ...")))
            progress << line;
    QStringList expected;
    for (int percent = 10; percent <= 100; percent += 10)
        expected << QStringLiteral("Receiving ... %1 %").arg(percent);
    EXPECT_EQ(progress, expected) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("\nUploading is successful...\n")));
    EXPECT_FALSE(run.err.contains(u'\r')) << "nothing drawn in place into a log";

    // A second upload to the same name (a retry, the next receiver) keeps the user's file.
    const CtlRun again = runCtl({"upload", "mine.cdf", "--port", link(), "--quiet"});
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(readFile(path("mine.cdf.~1~")), QByteArray("the user's old file"));
    EXPECT_EQ(readFile(path("mine.cdf")).mid(10), held.mid(10));
}

TEST_F(CtlEndToEnd, DownloadIsByteExact) {
    const QByteArray local = channelFile(90, 11);
    ASSERT_TRUE(writeFile(path("local.cdf"), local));
    ASSERT_TRUE(writeFile(path("held.cdf"), channelFile(5, 2)));
    startReceiver({"--no-pace", "--channels", stdPath("held.cdf"), "--channels-out",
                   stdPath("received.cdf")});

    const CtlRun run = runCtl({"download", "local.cdf", "--quiet"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << "--quiet prints nothing on success";
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(path("received.cdf")) && clock.elapsed() < 2000)
        QThread::msleep(10);
    EXPECT_EQ(readFile(path("received.cdf")).mid(10), local.mid(10));
}

TEST_F(CtlEndToEnd, FlashesThroughTheRunningFirmwareAndThroughTheBootLoader) {
    const QByteArray image = sample::firmwareFile(13, QByteArray("\x03\x01\x00\x00", 4), 5000);
    ASSERT_TRUE(writeFile(path("fw.bin"), image));
    struct Case {
        const char* name;
        std::vector<std::string> simArgs;
        QStringList ctlArgs;
    };
    const std::vector<Case> cases = {
        {"running", {}, {"flash", "fw.bin"}},
        {"boot loader",
         {"--boot-only", "--power-on-after", "1"},
         {"flash", "--boot", "fw.bin", "--port", "COM1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(path("flashed.bin"));
        std::vector<std::string> args = {"--no-pace", "--flash-seconds", "1", "--firmware-out",
                                         stdPath("flashed.bin")};
        args.insert(args.end(), c.simArgs.begin(), c.simArgs.end());
        startReceiver(args);
        const CtlRun run = runCtl(c.ctlArgs);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(readFile(path("flashed.bin")), image);
        EXPECT_TRUE(run.err.contains(QStringLiteral("Downloading is successful...")));
        EXPECT_EQ(run.err.contains(QStringLiteral(": switch the receiver on")),
                  c.simArgs.size() > 0);
        sim.stop(SIGTERM);
    }
}

TEST_F(CtlEndToEnd, RefusesBadFilesAndCommandLinesBeforeAnyPortIsOpened) {
    ASSERT_TRUE(writeFile(path("bad.cdf"), sample::channelFile("no end mark")));
    ASSERT_TRUE(writeFile(path("bad.bin"), sample::firmwareFile(10, {}, 100)));
    ASSERT_TRUE(writeFile(path("short.bin"), sample::firmwareFile(9, {}, 34)));
    struct Case {
        QStringList args;
        int exitCode;
        const char* message;
    };
    const Case cases[] = {
        {{"download", "missing.cdf"}, 1, "missing.cdf: Can't open the file"},
        {{"download", "bad.cdf"}, 1, "bad.cdf: Invalid channel data file"},
        {{"flash", "bad.bin"}, 1, "bad.bin: Invalid firmware file"},
        {{"flash", "short.bin"}, 1, "short.bin: Can't read the file"},
        {{"download", "."}, 1, ".: Can't open the file"},
        {{"upload"}, 2, "upload takes one file"},
        {{"probe", "--port", "ttyUSB0"}, 2, "--port takes COM1 to COM4 or a device path"},
        {{"probe", "--timeout", "0.5"}, 2, "--timeout takes a number of seconds from 1"},
        {{"upload", "nowhere/new.cdf"}, 1, "nowhere/new.cdf: Cannot create a file..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const CtlRun run = runCtl(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("rx7700ctl: ") + c.message))
            << run.err.toStdString();
    }
}

TEST_F(CtlEndToEnd, NoReceiverEndsWithThreeWithinTheTimeout) {
    startReceiver({"--no-pace", "--boot-only"}); // a line, but nothing answers the probes
    const CtlRun run = runCtl({"upload", "never.cdf", "--timeout", "1.5"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_GE(run.ms, 1500);
    EXPECT_LT(run.ms, 4000);
    EXPECT_TRUE(run.err.contains(QStringLiteral("rx7700ctl: No receiver answered on COM1 to "
                                                "COM4 within 1.5 s")))
        << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("never.cdf")));
}

TEST_F(CtlEndToEnd, CtrlCDuringAnUploadClosesThePortAndLeavesNoFile) {
    ASSERT_TRUE(writeFile(path("held.cdf"), channelFile(1000, 5)));
    startReceiver({"--channels", stdPath("held.cdf")}); // paced: the upload takes seconds
    bool interrupted = false;
    const CtlRun run = runCtl({"upload", "cut.cdf"}, [&](QProcess& process, const QString& err) {
        if (!interrupted && err.contains(QStringLiteral("Receiving ... 10 %"))) {
            interrupted = true;
            ::kill(pid_t(process.processId()), SIGINT);
        }
    });
    ASSERT_TRUE(interrupted) << run.err.toStdString();
    EXPECT_EQ(run.exitCode, 130);
    EXPECT_TRUE(run.err.endsWith(QStringLiteral("rx7700ctl: Cancelled\n")))
        << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QStringLiteral("Uploading is successful...")));
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::System);
    EXPECT_EQ(left, QStringList({"held.cdf", "rx7700-com1", "sim-stderr.txt"}))
        << "no file, no temporary file";
    // The port was closed: it can be opened again at once.
    const CtlRun probe = runCtl({"probe", "--timeout", "5"});
    EXPECT_EQ(probe.exitCode, 0) << probe.err.toStdString();
}

TEST_F(CtlEndToEnd, CtrlCDuringAFirmwareDownloadCancelsThroughTheBootLoader) {
    const QByteArray image = sample::firmwareFile(13, QByteArray("\x03\x01\x00\x00", 4), 100'000);
    ASSERT_TRUE(writeFile(path("fw.bin"), image));
    // Paced, so that the image takes seconds; the receiver keeps its firmware.
    startReceiver({"--flash-seconds", "1", "--firmware-out", stdPath("flashed.bin")});
    bool interrupted = false;
    const CtlRun run = runCtl({"flash", "fw.bin"}, [&](QProcess& process, const QString& err) {
        if (!interrupted && err.contains(QStringLiteral("Sending ... 10 %"))) {
            interrupted = true;
            ::kill(pid_t(process.processId()), SIGINT);
        }
    });
    ASSERT_TRUE(interrupted) << run.err.toStdString();
    EXPECT_EQ(run.exitCode, 130);
    EXPECT_TRUE(run.err.contains(QStringLiteral("\nWait a few minutes...\n")));
    EXPECT_TRUE(run.err.endsWith(QStringLiteral("rx7700ctl: Downloading is canceled...\n")))
        << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("flashed.bin"))) << "no image reached the flash";
}

// A second Ctrl+C before the boot loader was sent the abort leaves it waiting for blocks: the
// user is told so, not just "Cancelled".
TEST_F(CtlEndToEnd, SecondCtrlCBeforeTheAbortSaysTheReceiverWaitsInItsBootLoader) {
    const QByteArray image = sample::firmwareFile(13, QByteArray("\x03\x01\x00\x00", 4), 20 * 1024);
    ASSERT_TRUE(writeFile(path("fw.bin"), image));
    // Slow replies: both interrupts land while the loader takes a block.
    startReceiver({"--turnaround", "600", "--firmware-out", stdPath("flashed.bin")});
    int interrupts = 0;
    const CtlRun run = runCtl({"flash", "fw.bin"}, [&](QProcess& process, const QString& err) {
        if (interrupts == 0 && err.contains(QStringLiteral("Sending ... 10 %"))) {
            ++interrupts;
            ::kill(pid_t(process.processId()), SIGINT);
        } else if (interrupts == 1 && err.contains(QStringLiteral("interrupt again"))) {
            ++interrupts;
            ::kill(pid_t(process.processId()), SIGINT);
        }
    });
    ASSERT_EQ(interrupts, 2) << run.err.toStdString();
    EXPECT_EQ(run.exitCode, 130);
    EXPECT_TRUE(run.err.endsWith(
        QStringLiteral("rx7700ctl: Stopped before the receiver was told: it may be waiting in "
                       "its boot loader. Repeat the download with flash --boot\n")))
        << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("flashed.bin")));
}

// Every way a transfer can end short, each against a receiver of its own, all at once: the
// exit code, the window's status as the last line, and a progress that never claims more.
TEST_F(CtlEndToEnd, EveryEndingHasItsExitCodeAndErrorLine) {
    const QByteArray held = channelFile(400, 3);
    const QByteArray local = channelFile(90, 11);
    const QByteArray firmware =
        sample::firmwareFile(13, QByteArray("\x03\x01\x00\x00", 4), 20 * 1024);
    ASSERT_TRUE(writeFile(path("held.cdf"), held));
    ASSERT_TRUE(writeFile(path("local.cdf"), local));
    ASSERT_TRUE(writeFile(path("fw.bin"), firmware));
    const int heldBlocks = int((held.size() - 14 + 1023) / 1024);
    const int localBlocks = int((local.size() - 14 + 1023) / 1024);
    // Replies before the blocks: identification, channel open, start.
    const auto mute = [](int replies) { return "mute-after=" + std::to_string(replies); };

    struct Case {
        const char* name;
        std::vector<std::string> simArgs; // empty: no receiver at all
        QStringList ctlArgs;
        int exitCode;
        QString errorLine;
        int maxPercent; // the most the progress lines may claim
    };
    const QString missing = path("no-such-tty");
    const std::vector<Case> cases = {
        {"silent after two blocks",
         {"--channels", stdPath("held.cdf"), "--fault", mute(3 + 2)},
         {"upload", "silent.cdf"},
         1,
         "No answer from the receiver. Your file is unchanged; try the upload again...",
         int(2 * 1024 * 100 / (held.size() - 14))},
        {"upload end lost",
         {"--channels", stdPath("held.cdf"), "--fault", mute(3 + heldBlocks)},
         {"upload", "whole.cdf"},
         1,
         "The receiver did not confirm the end. The data arrived whole and was saved...",
         100},
        {"download end lost",
         {"--channels", stdPath("held.cdf"), "--fault", mute(3 + localBlocks)},
         {"download", "local.cdf"},
         1,
         "The receiver did not confirm the download. Check its channels and try again...",
         100},
        {"boot loader ends early",
         {"--flash-seconds", "1", "--firmware-out", stdPath("part.bin"), "--fault",
          "boot-done-after=5"},
         {"flash", "fw.bin"},
         1,
         "Image may be incomplete (5 of 20 blocks). Repeat the download in boot mode...",
         25},
        {"hang-up",
         {"--channels", stdPath("held.cdf"), "--fault", "hangup-after=2"},
         {"upload", "hung.cdf"},
         1,
         "The cable or adapter was disconnected. Your file is unchanged...",
         int(2 * 1024 * 100 / (held.size() - 14))},
        {"missing port",
         {},
         {"probe", "--port", missing},
         1,
         "No available COM port... " + missing + ": No such file or directory",
         0},
    };

    std::vector<std::unique_ptr<sim::SimProcess>> receivers;
    std::vector<std::unique_ptr<QProcess>> runs;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        QStringList arguments = c.ctlArgs;
        if (!c.simArgs.empty()) {
            const QString caseLink = path("link-") + QString::number(i);
            std::vector<std::string> args = {"--no-pace", "--link", caseLink.toStdString()};
            args.insert(args.end(), c.simArgs.begin(), c.simArgs.end());
            receivers.push_back(std::make_unique<sim::SimProcess>());
            ASSERT_TRUE(
                receivers.back()->start(args, stdPath("sim-stderr-") + std::to_string(i) + ".txt"))
                << c.name;
            arguments << "--port" << caseLink;
        }
        auto process = std::make_unique<QProcess>();
        process->setWorkingDirectory(dir.path());
        process->start(QStringLiteral(RX7700CTL_EXECUTABLE), arguments);
        ASSERT_TRUE(process->waitForStarted(5000)) << c.name;
        runs.push_back(std::move(process));
    }
    QElapsedTimer clock;
    clock.start();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        QProcess& process = *runs[i];
        if (!process.waitForFinished(int(std::max<qint64>(1, 60'000 - clock.elapsed())))) {
            process.kill();
            process.waitForFinished(5000);
            ADD_FAILURE() << "rx7700ctl did not end";
            continue;
        }
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), c.exitCode) << err.toStdString();
        EXPECT_TRUE(err.endsWith(QStringLiteral("\nrx7700ctl: ") + c.errorLine + u'\n') ||
                    err == QStringLiteral("rx7700ctl: ") + c.errorLine + u'\n')
            << err.toStdString();
        EXPECT_FALSE(err.contains(QStringLiteral("successful...")));
        static const QRegularExpression progress(
            QStringLiteral("^(?:Sending|Receiving) \\.\\.\\. (\\d+) %$"),
            QRegularExpression::MultilineOption);
        int claimed = 0;
        for (auto it = progress.globalMatch(err); it.hasNext();)
            claimed = std::max(claimed, it.next().captured(1).toInt());
        EXPECT_LE(claimed, c.maxPercent) << err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(path("silent.cdf")));
    EXPECT_FALSE(QFile::exists(path("hung.cdf")));
    EXPECT_EQ(readFile(path("whole.cdf")).mid(10), held.mid(10)) << "saved all the same";
    EXPECT_EQ(readFile(path("part.bin")).size(), 5 * 1024) << "what the loader took";
}

} // namespace
