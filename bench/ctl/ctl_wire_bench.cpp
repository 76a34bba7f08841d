// rx7700ctl upload and download of a 512 KiB body against the paced rx7700-sim (115200 baud
// 8N1), each a whole run of the executable: start-up, finding the receiver, the transfer and
// the save. The run's wall time is set against the time every byte of the exchange takes on
// the wire (both directions, ten bits a byte), and the processor time the rx7700ctl process
// used against its wall time. Targets: within 1.01 x the wire time, under 1 % of one core.
#include "sim/sim_process.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr double lineBytesPerSecond = 115200.0 / 10.0;
constexpr std::uint32_t bodyLength = 512 * 1024;
constexpr std::uint32_t blockSize = 1024;
constexpr std::uint64_t frameOverhead = 5; // start, length, code, checksum

QByteArray channelFile(std::uint32_t length) {
    QByteArray file("CDF\x01\x0F\x0b\x05\x18\x0c\x1e", 10);
    for (int i = 0; i < 4; ++i)
        file += char((length >> (8 * i)) & 0xFF);
    for (std::uint32_t i = 0; i + 3 < length; ++i)
        file += char((i * 167 + i / 4096) & 0xFF);
    file += "END";
    return file;
}

bool writeFile(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Bytes on the line for the whole run: probe and identification, channel open, the start
// exchange, every block with its request or acknowledgement, and the end exchange.
std::uint64_t wireBytes(bool upload) {
    std::uint64_t bytes = (frameOverhead + 0) + (frameOverhead + 8); // probe, identification
    bytes += (frameOverhead + 0) + (frameOverhead + 2);              // channel open
    bytes += upload ? (frameOverhead + 1) + (frameOverhead + 5)      // upload start
                    : (frameOverhead + 5) + (frameOverhead + 1);     // download start
    for (std::uint32_t offset = 0; offset < bodyLength; offset += blockSize) {
        const std::uint64_t data = std::min(blockSize, bodyLength - offset);
        bytes += (frameOverhead + 2 + data) + (frameOverhead + 2); // block and its partner
    }
    bytes += frameOverhead + frameOverhead; // end and its answer
    return bytes;
}

struct ProcessRun {
    int status = -1;
    double wallSeconds = 0;
    double cpuSeconds = 0;
};

// Runs the executable to its end with standard output and error left as they are.
ProcessRun runProcess(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ProcessRun run;
    const auto start = Clock::now();
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return run;
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    run.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

void report(benchmark::State& state, const ProcessRun& run, bool upload) {
    const double wire = double(wireBytes(upload)) / lineBytesPerSecond;
    const double ratio = run.wallSeconds / wire;
    const double cpuPct = 100.0 * run.cpuSeconds / run.wallSeconds;
    state.SetIterationTime(run.wallSeconds);
    state.counters["wire_s"] = wire;
    state.counters["run_s"] = run.wallSeconds;
    state.counters["x_wire"] = ratio;
    state.counters["cpu_pct"] = cpuPct;
    state.SetLabel(ratio <= 1.01 && cpuPct < 1.0 ? "within target (1.01 x wire time, 1 % CPU)"
                                                 : "OUTSIDE TARGET");
}

void runTransfer(benchmark::State& state, bool upload) {
    for (auto _ : state) {
        QTemporaryDir dir;
        const QString link = dir.filePath("rx7700-com1");
        const QString held = dir.filePath("held.cdf");
        const QString local = dir.filePath("local.cdf");
        const QByteArray file = channelFile(bodyLength);
        if (!writeFile(upload ? held : local, file) ||
            !writeFile(held, upload ? file : channelFile(64))) {
            state.SkipWithError("cannot write the channel files");
            return;
        }
        sim::SimProcess sim;
        if (!sim.start({"--link", link.toStdString(), "--channels", held.toStdString()},
                       dir.filePath("sim-stderr.txt").toStdString())) {
            state.SkipWithError("simulator did not start");
            return;
        }
        const QString target = upload ? dir.filePath("uploaded.cdf") : local;
        const ProcessRun run =
            runProcess({RX7700CTL_EXECUTABLE, upload ? "upload" : "download", target.toStdString(),
                        "--port", link.toStdString(), "--quiet"});
        sim.stop(SIGTERM);
        if (run.status != 0) {
            state.SkipWithError("rx7700ctl did not complete the transfer");
            return;
        }
        if (upload) {
            QFile saved(target);
            if (!saved.open(QIODevice::ReadOnly) || saved.readAll().mid(10) != file.mid(10)) {
                state.SkipWithError("uploaded file differs from the receiver's");
                return;
            }
        }
        report(state, run, upload);
    }
}

void BM_CtlUpload512KiB(benchmark::State& state) {
    runTransfer(state, true);
}
BENCHMARK(BM_CtlUpload512KiB)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

void BM_CtlDownload512KiB(benchmark::State& state) {
    runTransfer(state, false);
}
BENCHMARK(BM_CtlDownload512KiB)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
