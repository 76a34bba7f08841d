// Whole transfers through the transfer window and the real serial port against the paced
// rx7700-sim (115200 baud 8N1): a 1 MiB firmware image, a 512 KiB upload and a 512 KiB
// download. Each reports the time from START to the end of the transfer against the time
// every byte that crossed the line takes on the wire (both directions, ten bits a byte), and
// the processor time this process (window and reader thread, not the simulator) used
// meanwhile. Targets: within 2 % of the wire time, under 5 % of one core.
#include "base/settings_store.h"
#include "firmware/firmware_check.h"
#include "link/message_codes.h"
#include "link/serial_device_map.h"
#include "link/serial_transfer_link.h"
#include "link/transfer_dialog.h"
#include "sim/sim_process.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double lineBytesPerSecond = 115200.0 / 10.0;

double processCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// What crossed the line while counting is on, and hooks on what arrives.
struct LineAccount {
    std::atomic<bool> counting{false};
    std::atomic<std::uint64_t> sent{0};
    std::atomic<std::uint64_t> received{0};
    // Reader thread, after each delivered frame or boot byte.
    std::function<void(std::uint8_t code)> onDelivered;
};

// The serial link, counting the bytes it writes.
class CountingLink : public TransferLink {
public:
    CountingLink(std::unique_ptr<TransferLink> inner, LineAccount& account)
        : inner_(std::move(inner)), serial_(dynamic_cast<SerialTransferLink*>(inner_.get())),
          account_(account) {}

    bool openPort(int portNumber) override { return inner_->openPort(portNumber); }
    void closePort() override { inner_->closePort(); }
    bool isPortOpen() const override { return inner_->isPortOpen(); }
    void sendFrame(std::uint8_t code, std::span<const std::uint8_t> payload) override {
        inner_->sendFrame(code, payload);
        count();
    }
    int resendFrame(std::uint8_t expectedCode) override {
        const int result = inner_->resendFrame(expectedCode);
        if (result == 0)
            count();
        return result;
    }
    void sendRaw(std::span<const std::uint8_t> bytes) override {
        inner_->sendRaw(bytes);
        count();
    }
    void resendRaw() override {
        inner_->resendRaw();
        count();
    }

private:
    void count() {
        if (account_.counting.load())
            account_.sent += serial_->lastSent().size();
    }

    std::unique_ptr<TransferLink> inner_;
    SerialTransferLink* serial_;
    LineAccount& account_;
};

// The serial reader side, counting what it delivers: a frame is its payload and five bytes
// of framing; a boot-loader item is one byte, the greeting two, the identification nine.
class CountingSource : public TransferFrameSource {
public:
    CountingSource(std::unique_ptr<TransferFrameSource> inner, LineAccount& account)
        : inner_(std::move(inner)), account_(account) {}

    void pollOnce(const Deliver& deliver) override {
        inner_->pollOnce([&](std::uint8_t code, std::span<const std::uint8_t> payload) {
            deliver(code, payload);
            if (account_.counting.load())
                account_.received += wireSize(code, payload.size());
            if (account_.onDelivered)
                account_.onDelivered(code);
        });
    }
    void wake() override { inner_->wake(); }

private:
    static std::size_t wireSize(std::uint8_t code, std::size_t payloadSize) {
        if (code >= 0x80)
            return payloadSize + 5;
        if (code == BL_HELLO || code == BL_HELLO_ALT)
            return 2;
        if (code == BL_INFO || code == BL_INFO_ALT)
            return 9;
        return 1;
    }

    std::unique_ptr<TransferFrameSource> inner_;
    LineAccount& account_;
};

TransferEndpointFactory countingEndpoint(LineAccount& account) {
    return [&account](TransferFlags& flags) {
        TransferEndpoint serial = makeSerialEndpoint(flags);
        return TransferEndpoint{
            std::make_unique<CountingLink>(std::move(serial.link), account),
            std::make_unique<CountingSource>(std::move(serial.source), account)};
    };
}

QByteArray channelFile(std::uint32_t bodyLength) {
    QByteArray file("CDF\x01\x0F\x0b\x05\x18\x0c\x1e", 10);
    for (int i = 0; i < 4; ++i)
        file += char((bodyLength >> (8 * i)) & 0xFF);
    for (std::uint32_t i = 0; i + 3 < bodyLength; ++i)
        file += char((i * 167 + i / 4096) & 0xFF);
    file += "END";
    return file;
}

QByteArray firmwareFile(int size) {
    QByteArray bytes(21, '\x3C');
    bytes += char(13);
    bytes += "INTPR";
    bytes += "RX77";
    bytes += QByteArray("\x02\x01\x00\x00", 4);
    for (int i = int(bytes.size()); i < size; ++i)
        bytes += char((i * 131 + i / 1024) & 0xFF);
    return bytes;
}

bool writeFile(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// One transfer window against a simulator started with `simArgs`, in a scratch directory.
class TransferRun {
public:
    explicit TransferRun(std::vector<std::string> simArgs) {
        const QString link = dir.filePath("rx7700-com1");
        simArgs.insert(simArgs.begin(), {"--link", link.toStdString()});
        simStarted = sim.start(simArgs, dir.filePath("sim-stderr.txt").toStdString());
        SettingsStore store;
        for (int port = 1; port <= serialPortCount; ++port)
            store.writeText(portsSectionName(), portValueName(port),
                            port == 1 ? link : dir.filePath("missing-%1").arg(port));
    }
    ~TransferRun() {
        if (sim.running())
            sim.stop(SIGTERM);
    }

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    // Runs the window: START once the receiver answers, then until the item `endOn` has been
    // delivered (the moment the transfer ended) or the window closes. False when the transfer
    // did not complete within `limit`.
    bool run(TransferDialog& window, std::uint8_t endOn, std::chrono::seconds limit) {
        QEventLoop loop;
        QObject::connect(&window, &QDialog::finished, &loop, [&] { loop.quit(); });
        account.onDelivered = [&, endOn](std::uint8_t code) {
            // Reader thread.
            if (code == RSP_IDENT && !startRequested.exchange(true)) {
                // Queued behind the frame's own event: the window has handled it when this runs.
                QMetaObject::invokeMethod(
                    &window,
                    [&] {
                        if (!window.button()->isEnabled()) {
                            startRequested = false;
                            return;
                        }
                        account.sent = 0;
                        account.received = 0;
                        account.counting = true;
                        cpuAtStart = processCpuSeconds();
                        startedAt = Clock::now();
                        started = true;
                        window.button()->click();
                    },
                    Qt::QueuedConnection);
            }
            if (code == endOn && started.load() && !ended.exchange(true)) {
                account.counting = false;
                endedAt = Clock::now();
                cpuAtEnd = processCpuSeconds();
                QMetaObject::invokeMethod(
                    &loop, [&] { loop.quit(); }, Qt::QueuedConnection);
            }
        };
        QTimer::singleShot(limit, &loop, [&] { loop.quit(); });
        window.open();
        loop.exec();
        return ended.load();
    }

    void report(benchmark::State& state, double allowance = 0) const {
        const double seconds = std::chrono::duration<double>(endedAt - startedAt).count();
        const std::uint64_t bytes = account.sent + account.received;
        const double wire = double(bytes) / lineBytesPerSecond;
        const double overPct = 100.0 * (seconds - allowance - wire) / wire;
        const double cpuPct = 100.0 * (cpuAtEnd - cpuAtStart) / seconds;
        state.SetIterationTime(seconds);
        state.counters["bytes_pc_to_rx"] = double(account.sent.load());
        state.counters["bytes_rx_to_pc"] = double(account.received.load());
        state.counters["wire_s"] = wire;
        state.counters["achieved_s"] = seconds;
        state.counters["over_wire_pct"] = overPct;
        state.counters["cpu_pct"] = cpuPct;
        const bool ok = overPct <= 2.0 && cpuPct < 5.0;
        state.SetLabel(ok ? "within target (2 % of wire time, 5 % CPU)" : "OUTSIDE TARGET");
    }

    QTemporaryDir dir;
    sim::SimProcess sim;
    bool simStarted = false;
    LineAccount account;
    std::atomic<bool> startRequested{false};
    std::atomic<bool> started{false};
    std::atomic<bool> ended{false};
    Clock::time_point startedAt;
    Clock::time_point endedAt;
    double cpuAtStart = 0;
    double cpuAtEnd = 0;
};

// The image goes through the boot loader: from START to BL_DONE. The simulated receiver
// greets 0.1 s after CMD_RESET, as a real one needs a moment to restart; that pause is not
// line time and is allowed for.
void BM_FirmwareDownload1MiB(benchmark::State& state) {
    for (auto _ : state) {
        TransferRun run({"--flash-seconds", "1"});
        if (!run.simStarted) {
            state.SkipWithError("simulator did not start");
            return;
        }
        const QByteArray image = firmwareFile(1024 * 1024);
        IdentificationRecord ident;
        checkFirmwareBytes(std::span(reinterpret_cast<const std::uint8_t*>(image.constData()),
                                     std::size_t(image.size())),
                           ident);
        TransferDialog window(countingEndpoint(run.account));
        window.setFirmware(
            {ident, std::span(reinterpret_cast<const std::uint8_t*>(image.constData()),
                              std::size_t(image.size()))});
        if (!run.run(window, BL_DONE, std::chrono::seconds(200))) {
            state.SkipWithError("firmware download did not complete");
            return;
        }
        run.report(state, 0.1);
        // Then the flash wait (1 s in the simulator) until the restarted receiver answers.
        QEventLoop loop;
        const auto flashStart = Clock::now();
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (window.statusLine()->text() == "Downloading is successful..." ||
                Clock::now() - flashStart > std::chrono::seconds(10))
                loop.quit();
        });
        poll.start(5);
        loop.exec();
        state.counters["restart_seen_after_s"] =
            std::chrono::duration<double>(Clock::now() - flashStart).count();
        window.close();
    }
}
BENCHMARK(BM_FirmwareDownload1MiB)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// From START to RSP_UPLOAD_END; the window then saves the file and closes.
void BM_ChannelUpload512KiB(benchmark::State& state) {
    for (auto _ : state) {
        QTemporaryDir files;
        const QString stored = files.filePath("receiver.cdf");
        if (!writeFile(stored, channelFile(512 * 1024))) {
            state.SkipWithError("cannot write the channel file");
            return;
        }
        TransferRun run({"--channels", stored.toStdString()});
        if (!run.simStarted) {
            state.SkipWithError("simulator did not start");
            return;
        }
        QString target = files.filePath("uploaded.cdf");
        TransferDialog window(countingEndpoint(run.account));
        window.setUpload(target);
        if (!run.run(window, RSP_UPLOAD_END, std::chrono::seconds(120))) {
            state.SkipWithError("upload did not complete");
            return;
        }
        run.report(state);
        window.close();
        QCoreApplication::processEvents();
        QFile saved(target);
        if (!saved.open(QIODevice::ReadOnly) || saved.size() != 512 * 1024 + 14)
            state.SkipWithError("uploaded file missing or of the wrong size");
    }
}
BENCHMARK(BM_ChannelUpload512KiB)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

// From START to RSP_DOWNLOAD_END.
void BM_ChannelDownload512KiB(benchmark::State& state) {
    for (auto _ : state) {
        // The receiver holds channel data of the same layout and flags, or it is refused.
        QTemporaryDir files;
        const QString held = files.filePath("held.cdf");
        if (!writeFile(held, channelFile(4096))) {
            state.SkipWithError("cannot write the channel file");
            return;
        }
        TransferRun run({"--channels", held.toStdString()});
        if (!run.simStarted) {
            state.SkipWithError("simulator did not start");
            return;
        }
        const QByteArray file = channelFile(512 * 1024);
        TransferDialog window(countingEndpoint(run.account));
        window.setChannelDownload(std::span(reinterpret_cast<const std::uint8_t*>(file.constData()),
                                            std::size_t(file.size())));
        if (!run.run(window, RSP_DOWNLOAD_END, std::chrono::seconds(120))) {
            state.SkipWithError("download did not complete");
            return;
        }
        run.report(state);
        window.close();
    }
}
BENCHMARK(BM_ChannelDownload512KiB)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
