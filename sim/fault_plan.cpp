#include "sim/fault_plan.h"

#include "link/message_codes.h"

#include <algorithm>
#include <array>
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

// The exchanges whose first reply "drop=NAME" loses, by the reply that is lost.
struct NamedExchange {
    std::string_view name;
    std::uint8_t reply;
};
constexpr std::array<NamedExchange, 10> namedExchanges{{
    {"ident", RSP_IDENT},
    {"open", RSP_CHANNEL_OPEN},
    {"upload-start", RSP_UPLOAD_START},
    {"upload-end", RSP_UPLOAD_END},
    {"download-start", RSP_DOWNLOAD_START},
    {"download-end", RSP_DOWNLOAD_END},
    {"hello", BL_HELLO},
    {"info", BL_INFO},
    {"next", BL_NEXT},
    {"done", BL_DONE},
}};

bool parseSlowAck(std::string_view text, FaultPlan::SlowAck& slow) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || !parseCount(text.substr(0, colon), slow.block))
        return false;
    const std::string seconds(text.substr(colon + 1));
    char* end = nullptr;
    slow.delaySeconds = std::strtod(seconds.c_str(), &end);
    return !seconds.empty() && end == seconds.c_str() + seconds.size() && slow.delaySeconds >= 0 &&
           slow.delaySeconds <= 3600;
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

        if (name == "drop" && hasValue && !value.empty() &&
            (value.front() < '0' || value.front() > '9') && value.front() != '.') {
            const auto named =
                std::find_if(namedExchanges.begin(), namedExchanges.end(),
                             [&](const NamedExchange& e) { return e.name == value; });
            if (named == namedExchanges.end()) {
                error = "fault 'drop' needs a probability from 0 to 1 or an exchange: ident, "
                        "open, upload-start, upload-end, download-start, download-end, hello, "
                        "info, next, done";
                return false;
            }
            plan.dropFirstReply.insert(named->reply);
            continue;
        }
        if (name == "slow-ack") {
            FaultPlan::SlowAck slow;
            if (!parseSlowAck(value, slow)) {
                error = "fault 'slow-ack' needs a block number and a delay in seconds, as in "
                        "slow-ack=5:1.2";
                return false;
            }
            plan.slowAck = slow;
            continue;
        }

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
        if (name == "silent-after" || name == "hangup-after" || name == "boot-done-after" ||
            name == "mute-after") {
            unsigned count = 0;
            if (!parseCount(value, count)) {
                error = "fault '" + std::string(name) + "' needs a " +
                        (name == "mute-after" ? "reply" : "block") + " count";
                return false;
            }
            if (name == "silent-after")
                plan.silentAfterBlocks = count;
            else if (name == "hangup-after")
                plan.hangupAfterBlocks = count;
            else if (name == "boot-done-after")
                plan.bootDoneAfterBlocks = count;
            else
                plan.muteAfterReplies = count;
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
