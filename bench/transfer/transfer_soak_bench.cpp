// 100 whole transfers (uploads, channel downloads and firmware downloads in turn) through the
// transfer window and the real serial port against rx7700-sim on a line that loses 3 % and
// damages 3 % of the receiver's replies (--fault drop=0.03,corrupt=0.03, seeds 1 to 100,
// unpaced). Every transfer must either end byte for byte or end with the window's status
// that the receiver stopped answering, within the 10 s bound after the last progress; none
// may wait for ever. Reports how many ended byte for byte (and how many of those had faults
// to recover from), how many ended with the status, how many did neither, and the times.
#include "base/settings_store.h"
#include "firmware/firmware_check.h"
#include "link/serial_device_map.h"
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

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Longer than any transfer may take: the bound (10 s without progress) after the longest
// stretch of progress these sizes allow.
constexpr auto transferLimit = std::chrono::seconds(40);

QByteArray channelFile(std::uint32_t bodyLength, unsigned seed) {
    QByteArray file("CDF\x01\x0F\x0b\x05\x18\x0c\x1e", 10);
    for (int i = 0; i < 4; ++i)
        file += char((bodyLength >> (8 * i)) & 0xFF);
    for (std::uint32_t i = 0; i + 3 < bodyLength; ++i)
        file += char((i * 167 + seed * 31 + i / 4096) & 0xFF);
    file += "END";
    return file;
}

QByteArray firmwareFile(int size, unsigned seed) {
    QByteArray bytes(21, '\x3C');
    bytes += char(13);
    bytes += "INTPR";
    bytes += "RX77";
    bytes += QByteArray("\x02\x01\x00\x00", 4);
    for (int i = int(bytes.size()); i < size; ++i)
        bytes += char((i * 131 + seed * 7 + i / 1024) & 0xFF);
    return bytes;
}

bool writeFile(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::span<const std::uint8_t> bytesOf(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())};
}

enum class Kind { upload, download, firmware };
enum class Ending { byteExact, statusShown, neither };

struct Result {
    Kind kind;
    Ending ending;
    double seconds;
    bool faultsInjected;
};

// One transfer with the faults of `seed`.
Result runOne(unsigned seed) {
    const Kind kind = Kind(seed % 3);
    QTemporaryDir dir;
    const QString link = dir.filePath("rx7700-com1");
    std::vector<std::string> args{
        "--link",  link.toStdString(),       "--no-pace", "--flash-seconds",   "1",
        "--fault", "drop=0.03,corrupt=0.03", "--seed",    std::to_string(seed)};
    const QByteArray held = channelFile(48 * 1024 + seed, seed);
    const QByteArray local = channelFile(48 * 1024 + 2 * seed, seed + 1000);
    const QByteArray image = firmwareFile(8 * 1024 + int(seed), seed);
    writeFile(dir.filePath("held.cdf"), held);
    args.insert(args.end(), {"--channels", dir.filePath("held.cdf").toStdString(), "--channels-out",
                             dir.filePath("out.cdf").toStdString(), "--firmware-out",
                             dir.filePath("out.bin").toStdString()});
    sim::SimProcess sim;
    if (!sim.start(args, dir.filePath("sim-stderr.txt").toStdString()))
        return {kind, Ending::neither, 0, false};
    SettingsStore store;
    for (int port = 1; port <= serialPortCount; ++port)
        store.writeText(portsSectionName(), portValueName(port),
                        port == 1 ? link : dir.filePath("missing-%1").arg(port));

    TransferDialog window(makeSerialEndpoint);
    QString uploadPath = dir.filePath("uploaded.cdf");
    IdentificationRecord ident;
    switch (kind) {
    case Kind::upload:
        window.setUpload(uploadPath);
        break;
    case Kind::download:
        window.setChannelDownload(bytesOf(local));
        break;
    case Kind::firmware:
        checkFirmwareBytes(bytesOf(image), ident);
        window.setFirmware({ident, bytesOf(image)});
        break;
    }

    Clock::time_point startedAt{};
    bool started = false;
    bool over = false;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&window, &QDialog::finished, &loop, [&] {
        over = true;
        loop.quit();
    });
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!started) {
            // START only while the receiver is detected: the status says so.
            if (window.statusLine()->text().startsWith("Version ") &&
                window.button()->isEnabled()) {
                started = true;
                startedAt = Clock::now();
                window.button()->click();
            }
            return;
        }
        if (window.machine().outcome() != TransferOutcome::running ||
            Clock::now() - startedAt > transferLimit) {
            over = true;
            loop.quit();
        }
    });
    poll.start(5);
    QTimer::singleShot(transferLimit + std::chrono::seconds(20), &loop, [&] { loop.quit(); });
    window.open();
    loop.exec();
    const double seconds =
        started ? std::chrono::duration<double>(Clock::now() - startedAt).count() : 0;
    const TransferOutcome outcome = window.machine().outcome();
    window.close();
    QCoreApplication::processEvents();
    sim.stop(SIGTERM);
    const bool faults = sim.output().find(" 0 faults injected") == std::string::npos;

    Ending ending = Ending::neither;
    if (outcome == TransferOutcome::succeeded) {
        // An upload's header carries the time of the upload; the rest is the receiver's.
        const QByteArray uploaded = readFile(uploadPath);
        const bool exact =
            kind == Kind::upload
                ? uploaded.left(5) == held.left(5) && uploaded.mid(10) == held.mid(10)
            : kind == Kind::download ? readFile(dir.filePath("out.cdf")).mid(14) == local.mid(14)
                                     : readFile(dir.filePath("out.bin")) == image;
        ending = exact ? Ending::byteExact : Ending::neither;
    } else if (outcome == TransferOutcome::noAnswer || outcome == TransferOutcome::unconfirmed) {
        ending = window.button()->text() == "Exit" ? Ending::statusShown : Ending::neither;
    }
    if (!over || !started)
        ending = Ending::neither;
    return {kind, ending, seconds, faults};
}

void BM_SoakHundredTransfersOnAFaultyLine(benchmark::State& state) {
    for (auto _ : state) {
        std::vector<Result> results;
        for (unsigned seed = 1; seed <= 100; ++seed) {
            results.push_back(runOne(seed));
            const Result& r = results.back();
            std::fprintf(stderr, "seed %3u %-8s %-12s %6.2f s%s\n", seed,
                         r.kind == Kind::upload     ? "upload"
                         : r.kind == Kind::download ? "download"
                                                    : "firmware",
                         r.ending == Ending::byteExact     ? "byte-exact"
                         : r.ending == Ending::statusShown ? "status"
                                                           : "NEITHER",
                         r.seconds, r.faultsInjected ? " (faults injected)" : "");
        }
        const auto count = [&](auto predicate) {
            return double(std::count_if(results.begin(), results.end(), predicate));
        };
        const auto secondsWhere = [&](Ending ending, auto pick) {
            std::vector<double> times;
            for (const Result& r : results)
                if (r.ending == ending)
                    times.push_back(r.seconds);
            return times.empty() ? 0.0 : pick(times);
        };
        const auto maximum = [](const std::vector<double>& t) {
            return *std::max_element(t.begin(), t.end());
        };
        const auto mean = [](const std::vector<double>& t) {
            return std::accumulate(t.begin(), t.end(), 0.0) / double(t.size());
        };
        const double exact = count([](const Result& r) { return r.ending == Ending::byteExact; });
        const double neither = count([](const Result& r) { return r.ending == Ending::neither; });
        state.counters["byte_exact"] = exact;
        state.counters["recovered"] = count(
            [](const Result& r) { return r.ending == Ending::byteExact && r.faultsInjected; });
        state.counters["status_shown"] =
            count([](const Result& r) { return r.ending == Ending::statusShown; });
        state.counters["neither"] = neither;
        state.counters["exact_mean_s"] = secondsWhere(Ending::byteExact, mean);
        state.counters["exact_max_s"] = secondsWhere(Ending::byteExact, maximum);
        state.counters["status_mean_s"] = secondsWhere(Ending::statusShown, mean);
        state.counters["status_max_s"] = secondsWhere(Ending::statusShown, maximum);
        for (const Kind kind : {Kind::upload, Kind::download, Kind::firmware}) {
            const char* name = kind == Kind::upload     ? "upload_exact"
                               : kind == Kind::download ? "download_exact"
                                                        : "firmware_exact";
            state.counters[name] = count([kind](const Result& r) {
                return r.kind == kind && r.ending == Ending::byteExact;
            });
        }
        state.SetLabel(neither == 0 ? "every transfer ended byte for byte or with the status"
                                    : "SOME TRANSFER ENDED NEITHER WAY");
    }
}
BENCHMARK(BM_SoakHundredTransfersOnAFaultyLine)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
