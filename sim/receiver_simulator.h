#pragma once

#include "sim/channel_data.h"
#include "sim/fault_plan.h"
#include "sim/pc_input_parser.h"
#include "sim/receiver_config.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sim {

// Bytes the receiver puts on the line, not before `notBefore`.
struct OutgoingItem {
    std::vector<std::uint8_t> bytes;
    TimePoint notBefore;
};

struct ReceiverStats {
    unsigned framesReceived = 0;
    unsigned downloadBlockFrames = 0; // every CMD_DOWNLOAD_BLOCK, repeats included
    unsigned probesAnswered = 0;
    unsigned uploads = 0;
    std::uint64_t uploadedBytes = 0;
    unsigned downloads = 0;
    std::uint64_t downloadedBytes = 0;
    unsigned firmwareImages = 0;
    std::uint64_t firmwareBytes = 0;
    unsigned bootAborts = 0;
    unsigned repeatsRequested = 0;
    unsigned faultsInjected = 0;
};

// What the receiver does beyond the line: keep a firmware image, keep downloaded channel data,
// tell the operator what happens.
struct ReceiverHooks {
    std::function<void(std::span<const std::uint8_t> image)> firmwareReceived;
    std::function<void(const ChannelData& data)> channelDataStored;
    std::function<void(const std::string& line)> log; // one exchange or event, for --verbose
};

// The RX7700 as seen from the serial line: its application firmware (identification, channel
// data upload and download, restart into the boot loader) and its boot loader (greeting,
// header, blocks with repeat requests, abort, flash writing, restart).
//
// It owns no clock and no port: the caller hands in the bytes from the PC with the time they
// arrived, calls advance() at nextWakeUp(), and takes the replies with the time each may go on
// the line. That makes it usable in-process (tests) as well as behind a pseudo-terminal.
class ReceiverSimulator {
public:
    enum class Mode { off, restarting, application, bootLoader, flashing, silent };

    ReceiverSimulator(ReceiverConfig config, FaultPlan faults, std::uint64_t seed,
                      ReceiverHooks hooks = {});

    void start(TimePoint now);
    void receive(std::span<const std::uint8_t> bytes, TimePoint arrival);
    void advance(TimePoint now);
    std::optional<TimePoint> nextWakeUp() const;

    void switchOn(TimePoint now);
    void switchOff(TimePoint now);

    std::vector<OutgoingItem> takeOutput();
    // An injected hang-up is due: the caller closes the line once the output has gone out.
    bool wantsHangup() const { return hangupWanted_; }

    Mode mode() const { return mode_; }
    const ReceiverStats& stats() const { return stats_; }
    const ChannelData& channelData() const { return config_.channels; }
    const Identification& identification() const { return config_.ident; }
    bool applicationWorks() const { return config_.applicationWorks; }

private:
    enum class BootStep { greeted, awaitingGoAhead, awaitingHeader, awaitingBlock };
    enum class Session { none, open, uploading, downloading };
    enum class Action { none, bootAfterPowerOn, bootAfterReset, flashWritten, restartAfterAbort };

    void handle(const InputItem& item);
    void handleFrame(const InputItem& item);
    void handleBootItem(const InputItem& item);
    void askForHeader(TimePoint at);
    void handleBootHeader(const InputItem& item);
    void handleBootBlock(const InputItem& item);
    void runAction(Action action, TimePoint at);

    void startApplication();
    void enterBootLoader(TimePoint at, std::optional<Duration> window);
    void greet(TimePoint at);
    void schedule(Action action, TimePoint at);
    void goSilent();
    void blockMoved(TimePoint at);

    void sendFrame(std::uint8_t code, std::span<const std::uint8_t> payload, TimePoint at,
                   const std::string& note = {});
    void sendBoot(std::span<const std::uint8_t> bytes, TimePoint at);
    void send(std::vector<std::uint8_t> bytes, TimePoint at, std::uint32_t stream,
              const std::string& label);
    TimePoint replyTime(const InputItem& item) const {
        return item.completedAt + config_.turnaround;
    }
    void log(TimePoint at, const std::string& text);

    ReceiverConfig config_;
    FaultPlan faults_;
    FaultDice dice_;
    ReceiverHooks hooks_;
    PcInputParser parser_;
    ReceiverStats stats_;
    std::vector<OutgoingItem> output_;

    TimePoint startedAt_{};
    // The PC's bytes cross the line one after another: a burst of bytes that arrived while the
    // line was busy ends lineTime(burst length) after the burst began.
    TimePoint inputLineFree_{};
    TimePoint inputBurstStart_{};
    std::size_t inputBurstBytes_ = 0;
    Mode mode_ = Mode::off;

    std::optional<TimePoint> powerOnAt_;
    std::optional<TimePoint> actionAt_;
    Action action_ = Action::none;
    std::optional<TimePoint> regreetAt_;
    std::optional<TimePoint> bootWindowEndsAt_;

    // Boot loader
    BootStep bootStep_ = BootStep::greeted;
    std::uint32_t imageLength_ = 0;
    std::uint32_t blocksReceived_ = 0;
    std::vector<std::uint8_t> image_;

    // Channel data transfer
    Session session_ = Session::none;
    bool uploadEnded_ = false; // the last session was an upload that ended
    std::vector<std::uint8_t> uploadBody_;
    std::vector<std::uint8_t> downloadBody_;
    std::vector<bool> downloadBlocksSeen_;

    unsigned blocksMoved_ = 0;
    unsigned repliesSent_ = 0; // reply frames of the application firmware
    bool hangupWanted_ = false;
};

} // namespace sim
