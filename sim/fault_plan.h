#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace sim {

// The line and receiver faults to inject. Rates are probabilities per occasion (0 = never,
// 1 = always); block counts are blocks moved in either direction (upload blocks answered,
// download blocks acknowledged, boot blocks accepted).
struct FaultPlan {
    double dropRate = 0;       // an outgoing frame or boot-loader byte is not sent
    double corruptRate = 0;    // one byte of an outgoing item is changed
    double wrongBlockRate = 0; // a download block is acknowledged with another number
    double refuseUploadRate = 0;
    double refuseDownloadRate = 0;
    std::optional<unsigned> silentAfterBlocks;
    std::optional<unsigned> hangupAfterBlocks;
    bool noRestart = false; // after flashing the receiver never comes back
    // The boot loader ends the download with BL_DONE after taking this many blocks, as one
    // that lost count would, and writes what it has.
    std::optional<unsigned> bootDoneAfterBlocks;
    // The application firmware falls silent after sending this many reply frames.
    std::optional<unsigned> muteAfterReplies;
    // The first reply of each of these exchanges (its reply code or boot-loader byte) is not
    // sent: "drop=open", "drop=upload-end", ...
    std::set<std::uint8_t> dropFirstReply;
    // The acknowledgement of download block `block` goes out `delaySeconds` late, once.
    struct SlowAck {
        unsigned block = 0;
        double delaySeconds = 0;
    };
    std::optional<SlowAck> slowAck;

    bool any() const {
        return dropRate > 0 || corruptRate > 0 || wrongBlockRate > 0 || refuseUploadRate > 0 ||
               refuseDownloadRate > 0 || silentAfterBlocks || hangupAfterBlocks || noRestart ||
               !dropFirstReply.empty() || slowAck || bootDoneAfterBlocks || muteAfterReplies;
    }
};

// Parses a comma-separated list such as "drop=0.02,corrupt=0.01,refuse-upload,silent-after=3",
// "drop=upload-end", "slow-ack=5:1.2", "boot-done-after=5" or "mute-after=3".
// On failure returns false and describes the problem in `error`.
bool parseFaultList(std::string_view list, FaultPlan& plan, std::string& error);

// Deterministic fault decisions. Each decision depends only on the seed, the kind of fault, the
// stream it concerns (for example the reply code) and how often that stream was asked before,
// so the same seed gives the same faults for the same exchanges however the PC's probes happen
// to interleave with them.
class FaultDice {
public:
    explicit FaultDice(std::uint64_t seed) : seed_(seed) {}

    enum class Kind : std::uint8_t { drop = 1, corrupt, wrongBlock, refuse, corruptPosition };

    // True with probability `rate`. Always advances the stream, whatever the rate.
    bool roll(Kind kind, std::uint32_t stream, double rate);
    // A value from the same kind of stream, for choosing a position or a byte value.
    std::uint64_t draw(Kind kind, std::uint32_t stream);

private:
    std::uint64_t next(Kind kind, std::uint32_t stream);

    std::uint64_t seed_;
    std::map<std::pair<std::uint8_t, std::uint32_t>, std::uint64_t> counters_;
};

} // namespace sim
