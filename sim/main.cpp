// rx7700-sim: an RX7700 receiver on a pseudo-terminal, for rehearsing transfers without
// hardware and for the end-to-end tests.
#include "sim/channel_data.h"
#include "sim/pty_link.h"
#include "sim/receiver_simulator.h"
#include "sim/sim_options.h"
#include "sim/simulator_loop.h"

// After the simulator's headers: Qt's `emit` keyword would spoil one of their names.
#include "channels/channel_database.h"
#include "channels/channel_file_reader.h"

#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/prctl.h>
#include <unistd.h>
#include <vector>

namespace {

int stopPipe[2] = {-1, -1};
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void onStopSignal(int signal) {
    stopSignal = signal;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(stopPipe[1], &byte, 1);
}

void printError(const std::string& text) {
    std::fprintf(stderr, "rx7700-sim: %s\n", text.c_str());
}

std::string plural(unsigned n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

std::string summary(const sim::ReceiverStats& s, const std::string& ending) {
    return "rx7700-sim: " + plural(s.probesAnswered, "probe") + " answered, " +
           plural(s.uploads, "upload") + " (" + std::to_string(s.uploadedBytes) + " bytes), " +
           plural(s.downloads, "download") + " (" + std::to_string(s.downloadedBytes) +
           " bytes), " + plural(s.firmwareImages, "firmware image") + " (" +
           std::to_string(s.firmwareBytes) + " bytes), " + plural(s.bootAborts, "abort") + ", " +
           plural(s.repeatsRequested, "repeat") + ", " +
           plural(s.downloadBlockFrames, "download block frame") + ", " +
           plural(s.faultsInjected, "fault") + " injected; " + ending;
}

std::tm localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return local;
}

// What the receiver plays, for the line that says it is ready: its version and, when the
// channel data reads as a file, its layout and program counts.
std::string playing(const sim::Identification& ident, const sim::ChannelData& channels) {
    std::string text = "version ";
    if (ident[4] <= 9 && ident[5] <= 9 && ident[6] <= 9)
        text +=
            std::to_string(ident[4]) + "." + std::to_string(ident[5]) + std::to_string(ident[6]);
    else
        text += "[unknown]";
    const std::vector<std::uint8_t> image = sim::channelFileImage(channels, localNow());
    ChannelDatabase database;
    if (readChannelImage(database, QByteArrayView(image.data(), qsizetype(image.size()))) != 0)
        return text + ", channel data layout " + std::to_string(channels.layout) +
               " (not readable as a channel list)";
    return text + ", channel data layout " + std::to_string(database.layout) + ", " +
           plural(unsigned(database.satelliteCount()), "satellite") + ", " +
           plural(unsigned(database.tvList.size() + database.radioList.size()), "program") + " (" +
           std::to_string(database.tvList.size()) + " TV, " +
           std::to_string(database.radioList.size()) + " radio)";
}

} // namespace

int main(int argc, char** argv) {
    sim::SimOptions options;
    std::string error;
    switch (sim::parseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    case sim::ParseResult::help:
        std::fputs(sim::usageText().c_str(), stdout);
        return 0;
    case sim::ParseResult::error:
        printError(error);
        std::fputs(sim::usageText().c_str(), stderr);
        return 2;
    case sim::ParseResult::run:
        break;
    }

    sim::ChannelData channels = sim::builtInChannelData();
    if (options.channelsPath) {
        bool missingEndMark = false;
        switch (sim::loadChannelFile(*options.channelsPath, channels, missingEndMark)) {
        case sim::ChannelFileResult::ok:
            break;
        case sim::ChannelFileResult::cannotRead:
            printError("cannot read " + *options.channelsPath);
            return 1;
        case sim::ChannelFileResult::notChannelFile:
            printError(*options.channelsPath + " is not a Channel Data File");
            return 1;
        case sim::ChannelFileResult::badLength:
            printError(*options.channelsPath +
                       ": the length in its header does not match the file");
            return 1;
        }
        if (missingEndMark)
            printError("warning: " + *options.channelsPath +
                       " does not end in \"END\"; served as it is");
        if (channels.body.size() > sim::maxUploadBody)
            printError("warning: the channel data is larger than the PC can upload");
    }

    // Paced output wakes about once a millisecond on absolute deadlines; the default timer
    // slack (50 us) would make every wake-up late by that much.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        printError("cannot set up signal handling");
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    const std::unique_ptr<sim::PtyLink> link = sim::PtyLink::create(options.linkPath, error);
    if (!link) {
        printError(error);
        return 1;
    }

    sim::ReceiverHooks hooks;
    if (options.firmwareOut) {
        hooks.firmwareReceived = [&](std::span<const std::uint8_t> image) {
            if (!sim::writeFileAtomically(*options.firmwareOut,
                                          std::vector<std::uint8_t>(image.begin(), image.end())))
                printError("cannot write the firmware image to " + *options.firmwareOut);
        };
    }
    if (options.channelsOut) {
        hooks.channelDataStored = [&](const sim::ChannelData& data) {
            if (!sim::saveChannelFile(*options.channelsOut, data, localNow()))
                printError("cannot save the channel data to " + *options.channelsOut);
        };
    }
    if (options.verbose)
        hooks.log = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };

    const std::string ready = playing(options.ident, channels);
    sim::ReceiverSimulator receiver(sim::receiverConfigFor(options, std::move(channels)),
                                    options.faults, options.seed, std::move(hooks));

    // "on" and "off" come on standard input; a simulator started in the background of a
    // terminal leaves that terminal to the shell.
    const bool control = !::isatty(STDIN_FILENO) || ::tcgetpgrp(STDIN_FILENO) == ::getpgrp();
    std::signal(SIGTTIN, SIG_IGN);
    if (!control && options.bootOnly && !options.powerOnAfterSeconds)
        printError("warning: standard input is not available, so nothing can switch the "
                   "receiver on; give --power-on-after SECONDS");
    // The first line is the link alone: scripts and tests wait for it.
    std::printf("%s\n", options.linkPath.c_str());
    std::printf("rx7700-sim: ready on %s: %s%s\n", options.linkPath.c_str(), ready.c_str(),
                options.bootOnly ? ", application firmware broken (boot loader only)" : "");
    std::fflush(stdout);

    sim::SimulatorLoop loop(*link, receiver, options.paced, stopPipe[0],
                            control ? STDIN_FILENO : -1,
                            [](const std::string& text) { printError(text); });
    const sim::SimulatorLoop::StopReason reason = loop.run();
    link->hangUp();

    std::string ending;
    int status = 0;
    switch (reason) {
    case sim::SimulatorLoop::StopReason::requested:
        ending = stopSignal == SIGINT    ? "stopped by SIGINT"
                 : stopSignal == SIGTERM ? "stopped by SIGTERM"
                                         : "stopped by SIGHUP";
        break;
    case sim::SimulatorLoop::StopReason::hungUp:
        ending = "line hung up";
        break;
    case sim::SimulatorLoop::StopReason::lineFailed:
        ending = "line failed";
        status = 1;
        break;
    }
    std::printf("%s\n", summary(receiver.stats(), ending).c_str());
    return status;
}
