#pragma once

#include "sim/channel_data.h"
#include "sim/identification.h"
#include "sim/wire_time.h"

#include <chrono>
#include <optional>

namespace sim {

enum class Greeting {
    hello, // BL_HELLO and 0x08; the PC echoes, the loader sends BL_INFO
    ready, // BL_READY alone
};

// Everything about the simulated receiver that is ours to choose.
struct ReceiverConfig {
    Identification ident = makeIdentification(1, 0, 0);
    Greeting greeting = Greeting::hello;
    // False for a receiver without working application firmware: only its boot loader runs.
    bool applicationWorks = true;
    // False: the receiver starts switched off and waits for switchOn (or powerOnAfter).
    bool switchedOnAtStart = true;
    std::optional<Duration> powerOnAfter;

    // Bytes from the PC count as arriving at line speed; replies wait for that.
    bool pacedInput = true;
    Duration turnaround{0};

    Duration flashTime = std::chrono::seconds(15);
    // From power-on or CMD_RESET to the boot loader's first greeting.
    Duration restartDelay = std::chrono::milliseconds(100);
    // The boot loader greets again at this interval until the PC answers.
    Duration greetingInterval = std::chrono::seconds(1);
    // How long the boot loader waits for a PC before it starts working application firmware:
    // after power-on, and after CMD_RESET. Without working firmware it waits for ever.
    Duration powerOnBootWindow = std::chrono::seconds(3);
    Duration resetBootWindow = std::chrono::seconds(10);
    // From BL_DONE after an aborted download to the restart (nothing is written to flash).
    Duration abortRestartDelay = std::chrono::seconds(1);
    // A partial frame, header or block that sees no further byte for this long is given up.
    Duration itemTimeout = std::chrono::milliseconds(300);
    // The largest firmware image the boot loader takes.
    std::uint32_t maxImageLength = 16u * 1024 * 1024;

    ChannelData channels = builtInChannelData();
};

} // namespace sim
