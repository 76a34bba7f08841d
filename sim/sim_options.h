#pragma once

#include "sim/fault_plan.h"
#include "sim/identification.h"
#include "sim/receiver_config.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// The command line of rx7700-sim.
struct SimOptions {
    std::string linkPath;
    std::optional<std::string> channelsPath;
    std::optional<std::string> channelsOut; // where each downloaded channel list is saved
    std::optional<std::string> firmwareOut;
    Identification ident = makeIdentification(1, 0, 0);
    bool bootOnly = false;
    std::optional<double> powerOnAfterSeconds;
    Greeting greeting = Greeting::hello;
    double flashSeconds = 15;
    bool paced = true;
    double turnaroundMs = 0;
    FaultPlan faults;
    std::uint64_t seed = 1;
    bool verbose = false;
};

enum class ParseResult { run, help, error };

// Parses the arguments after the program name. "--name value" and "--name=value" both work.
ParseResult parseOptions(const std::vector<std::string>& args, SimOptions& options,
                         std::string& error);

std::string usageText();

// The receiver set-up the options ask for, with the given stored channel data.
ReceiverConfig receiverConfigFor(const SimOptions& options, ChannelData channels);

} // namespace sim
