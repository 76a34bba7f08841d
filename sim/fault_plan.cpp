#include "sim/fault_plan.h"

#include <charconv>
#include <cstdlib>

namespace sim {
namespace {

std::uint64_t mix(std::uint64_t x) {
    // splitmix64 finaliser: a fixed, platform-independent hash.
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

bool parseRate(std::string_view text, double& rate) {
    if (text.empty())
        return false;
    const std::string copy(text);
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !(value >= 0.0 && value <= 1.0))
        return false;
    rate = value;
    return true;
}

bool parseCount(std::string_view text, unsigned& count) {
    const char* first = text.data();
    const char* last = first + text.size();
    auto [end, ec] = std::from_chars(first, last, count);
    return !text.empty() && ec == std::errc() && end == last;
}

} // namespace

bool parseFaultList(std::string_view list, FaultPlan& plan, std::string& error) {
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        if (item.empty())
            continue;
        const std::size_t equals = item.find('=');
        const std::string_view name = item.substr(0, equals);
        const bool hasValue = equals != std::string_view::npos;
        const std::string_view value = hasValue ? item.substr(equals + 1) : std::string_view();

        double* rate = nullptr;
        if (name == "drop")
            rate = &plan.dropRate;
        else if (name == "corrupt")
            rate = &plan.corruptRate;
        else if (name == "wrong-block")
            rate = &plan.wrongBlockRate;
        else if (name == "refuse-upload")
            rate = &plan.refuseUploadRate;
        else if (name == "refuse-download")
            rate = &plan.refuseDownloadRate;

        if (rate) {
            const bool flag = name.starts_with("refuse-");
            if (!hasValue && flag) {
                *rate = 1.0;
                continue;
            }
            if (!parseRate(value, *rate)) {
                error = "fault '" + std::string(name) + "' needs a probability from 0 to 1";
                return false;
            }
            continue;
        }
        if (name == "silent-after" || name == "hangup-after") {
            unsigned count = 0;
            if (!parseCount(value, count)) {
                error = "fault '" + std::string(name) + "' needs a block count";
                return false;
            }
            (name == "silent-after" ? plan.silentAfterBlocks : plan.hangupAfterBlocks) = count;
            continue;
        }
        if (name == "no-restart" && !hasValue) {
            plan.noRestart = true;
            continue;
        }
        error = "unknown fault '" + std::string(item) + "'";
        return false;
    }
    return true;
}

std::uint64_t FaultDice::next(Kind kind, std::uint32_t stream) {
    std::uint64_t& counter = counters_[{std::uint8_t(kind), stream}];
    const std::uint64_t key = mix(seed_ ^ mix(std::uint64_t(kind) << 40 ^ stream) ^ mix(counter));
    ++counter;
    return mix(key);
}

bool FaultDice::roll(Kind kind, std::uint32_t stream, double rate) {
    const double unit = double(next(kind, stream) >> 11) * 0x1.0p-53;
    return unit < rate;
}

std::uint64_t FaultDice::draw(Kind kind, std::uint32_t stream) {
    return next(kind, stream);
}

} // namespace sim
