#include "sim/sim_options.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

namespace sim {
namespace {

bool parseSeconds(const std::string& text, double& value) {
    char* end = nullptr;
    const double parsed = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(parsed) || parsed < 0)
        return false;
    value = parsed;
    return true;
}

Duration fromSeconds(double seconds) {
    return std::chrono::duration_cast<Duration>(std::chrono::duration<double>(seconds));
}

} // namespace

std::string usageText() {
    return "Usage: rx7700-sim --link PATH [options]\n"
           "Plays an RX7700 receiver on a pseudo-terminal published at PATH.\n"
           "\n"
           "  --link PATH              symbolic link to the receiver's serial line (required)\n"
           "  --channels FILE.cdf      channel data the receiver holds at start\n"
           "                           (a small built-in list when absent)\n"
           "  --channels-out FILE.cdf  save every downloaded channel list to FILE (may be the\n"
           "                           --channels file, which is otherwise never changed)\n"
           "  --firmware-out FILE      write each firmware image received to FILE\n"
           "  --ident-version D.DD     version the receiver reports (default 1.00)\n"
           "  --boot-only              no working application firmware: boot loader only;\n"
           "                           the receiver starts switched off\n"
           "  --power-on-after SECONDS switch the receiver on after SECONDS\n"
           "                           (a line \"on\" or \"off\" on standard input works too)\n"
           "  --greeting hello|ready   the boot loader's greeting (default hello)\n"
           "  --flash-seconds S        time to write the flash before restarting (default 15)\n"
           "  --no-pace                send and take bytes at once instead of at 115200 baud\n"
           "  --turnaround MS          extra delay before each reply (default 0)\n"
           "  --fault FAULTS           comma-separated faults: drop=P, corrupt=P,\n"
           "                           wrong-block=P, refuse-upload[=P], refuse-download[=P],\n"
           "                           silent-after=N, hangup-after=N,\n"
           "                           boot-done-after=N (N blocks), mute-after=N (N replies),\n"
           "                           no-restart,\n"
           "                           drop=EXCHANGE (its first reply: ident, open,\n"
           "                           upload-start, upload-end, download-start, download-end,\n"
           "                           hello, info, next, done), slow-ack=N:SECONDS\n"
           "  --seed N                 seed for the faults (default 1)\n"
           "  --verbose                log every exchange in hex on standard error\n"
           "  --help                   show this text\n";
}

ParseResult parseOptions(const std::vector<std::string>& args, SimOptions& options,
                         std::string& error) {
    using Setter = std::function<bool(const std::string&)>;
    const std::map<std::string, Setter> valued = {
        {"--link",
         [&](const std::string& v) {
             options.linkPath = v;
             return !v.empty();
         }},
        {"--channels",
         [&](const std::string& v) {
             options.channelsPath = v;
             return !v.empty();
         }},
        {"--channels-out",
         [&](const std::string& v) {
             options.channelsOut = v;
             return !v.empty();
         }},
        {"--firmware-out",
         [&](const std::string& v) {
             options.firmwareOut = v;
             return !v.empty();
         }},
        {"--ident-version",
         [&](const std::string& v) {
             const auto ident = parseIdentVersion(v);
             if (ident)
                 options.ident = *ident;
             return ident.has_value();
         }},
        {"--power-on-after",
         [&](const std::string& v) {
             double seconds = 0;
             if (!parseSeconds(v, seconds))
                 return false;
             options.powerOnAfterSeconds = seconds;
             return true;
         }},
        {"--greeting",
         [&](const std::string& v) {
             if (v != "hello" && v != "ready")
                 return false;
             options.greeting = v == "hello" ? Greeting::hello : Greeting::ready;
             return true;
         }},
        {"--flash-seconds",
         [&](const std::string& v) { return parseSeconds(v, options.flashSeconds); }},
        {"--turnaround",
         [&](const std::string& v) { return parseSeconds(v, options.turnaroundMs); }},
        {"--fault",
         [&](const std::string& v) {
             std::string why;
             if (parseFaultList(v, options.faults, why))
                 return true;
             error = why;
             return false;
         }},
        {"--seed",
         [&](const std::string& v) {
             auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), options.seed);
             return !v.empty() && ec == std::errc() && end == v.data() + v.size();
         }},
    };
    const std::map<std::string, std::function<void()>> flags = {
        {"--boot-only", [&] { options.bootOnly = true; }},
        {"--no-pace", [&] { options.paced = false; }},
        {"--verbose", [&] { options.verbose = true; }},
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const std::size_t equals = name.find('=');
            name.starts_with("--") && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (name == "--help" || name == "-h")
            return ParseResult::help;
        if (const auto flag = flags.find(name); flag != flags.end()) {
            if (value) {
                error = name + " takes no value";
                return ParseResult::error;
            }
            flag->second();
            continue;
        }
        const auto setter = valued.find(name);
        if (setter == valued.end()) {
            error = "unknown option '" + args[i] + "'";
            return ParseResult::error;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return ParseResult::error;
            }
            value = args[++i];
        }
        error.clear();
        if (!setter->second(*value)) {
            if (error.empty())
                error = "invalid value '" + *value + "' for " + name;
            return ParseResult::error;
        }
    }
    if (options.linkPath.empty()) {
        error = "--link PATH is required";
        return ParseResult::error;
    }
    return ParseResult::run;
}

ReceiverConfig receiverConfigFor(const SimOptions& options, ChannelData channels) {
    ReceiverConfig config;
    config.ident = options.ident;
    config.greeting = options.greeting;
    config.applicationWorks = !options.bootOnly;
    config.switchedOnAtStart = !options.bootOnly && !options.powerOnAfterSeconds;
    if (options.powerOnAfterSeconds)
        config.powerOnAfter = fromSeconds(*options.powerOnAfterSeconds);
    config.pacedInput = options.paced;
    config.turnaround = fromSeconds(options.turnaroundMs / 1000.0);
    config.flashTime = fromSeconds(options.flashSeconds);
    config.channels = std::move(channels);
    return config;
}

} // namespace sim
