// rx7700-sim: an RX7700 receiver on a pseudo-terminal, for rehearsing transfers without
// hardware and for the end-to-end tests.
#include "sim/channel_data.h"
#include "sim/pty_link.h"
#include "sim/receiver_simulator.h"
#include "sim/sim_options.h"
#include "sim/simulator_loop.h"

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

    sim::ReceiverSimulator receiver(sim::receiverConfigFor(options, std::move(channels)),
                                    options.faults, options.seed, std::move(hooks));

    // "on" and "off" come on standard input; a simulator started in the background of a
    // terminal leaves that terminal to the shell.
    const bool control = !::isatty(STDIN_FILENO) || ::tcgetpgrp(STDIN_FILENO) == ::getpgrp();
    std::signal(SIGTTIN, SIG_IGN);
    if (!control && options.bootOnly && !options.powerOnAfterSeconds)
        printError("warning: standard input is not available, so nothing can switch the "
                   "receiver on; give --power-on-after SECONDS");
    std::printf("%s\n", options.linkPath.c_str());
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
