#include "sim/receiver_simulator.h"

#include "link/frame_codec.h"
#include "link/message_codes.h"
#include "sim/exchange_text.h"

#include <algorithm>
#include <cstdio>

namespace sim {
namespace {

constexpr std::size_t blockSize = wire::bootDataSize; // every kind of block carries 1024 bytes
constexpr std::uint8_t statusGoOn = 0;
constexpr std::uint8_t statusRefused = 1;  // the receiver does not want to (injected fault)
constexpr std::uint8_t statusEmpty = 2;    // a download of no bytes
constexpr std::uint8_t statusTooLarge = 3; // more than could ever be uploaded again

std::uint32_t blocksFor(std::size_t length) {
    return std::uint32_t((length + blockSize - 1) / blockSize);
}

bool isBootAbort(std::span<const std::uint8_t> bytes) {
    return bytes.size() == wire::bootBlockSize && wire::isValidFrame(bytes) &&
           bytes[3] == CMD_BOOT_ABORT;
}

bool blockChecksumRight(std::span<const std::uint8_t> block) {
    return wire::bootBlockChecksum(block.first(blockSize)) == block[blockSize];
}

} // namespace

ReceiverSimulator::ReceiverSimulator(ReceiverConfig config, FaultPlan faults, std::uint64_t seed,
                                     ReceiverHooks hooks)
    : config_(std::move(config)), faults_(faults), dice_(seed), hooks_(std::move(hooks)),
      parser_(config_.itemTimeout) {}

void ReceiverSimulator::start(TimePoint now) {
    startedAt_ = now;
    inputLineFree_ = now;
    inputBurstStart_ = now;
    if (config_.switchedOnAtStart) {
        if (config_.applicationWorks)
            startApplication();
        else
            enterBootLoader(now, std::nullopt);
    } else {
        mode_ = Mode::off;
        parser_.listen(Listening::nothing);
        if (config_.powerOnAfter)
            powerOnAt_ = now + *config_.powerOnAfter;
    }
}

void ReceiverSimulator::switchOn(TimePoint now) {
    powerOnAt_.reset();
    if (mode_ != Mode::off)
        return;
    log(now, "switched on");
    mode_ = Mode::restarting;
    schedule(Action::bootAfterPowerOn, now + config_.restartDelay);
}

void ReceiverSimulator::switchOff(TimePoint now) {
    log(now, "switched off");
    mode_ = Mode::off;
    parser_.listen(Listening::nothing);
    powerOnAt_.reset();
    actionAt_.reset();
    action_ = Action::none;
    regreetAt_.reset();
    bootWindowEndsAt_.reset();
    session_ = Session::none;
    image_.clear();
    output_.clear();
}

std::vector<OutgoingItem> ReceiverSimulator::takeOutput() {
    std::vector<OutgoingItem> items;
    items.swap(output_);
    return items;
}

std::optional<TimePoint> ReceiverSimulator::nextWakeUp() const {
    std::optional<TimePoint> next;
    for (const auto& t :
         {powerOnAt_, actionAt_, regreetAt_, bootWindowEndsAt_, parser_.partialDeadline()})
        if (t && (!next || *t < *next))
            next = t;
    return next;
}

void ReceiverSimulator::receive(std::span<const std::uint8_t> bytes, TimePoint arrival) {
    // Each byte is complete one byte time after the line is free for it: a frame of n bytes
    // written at once by the PC is whole n byte times after its first byte arrived.
    std::vector<InputItem> items;
    for (std::uint8_t byte : bytes) {
        TimePoint complete = arrival;
        if (config_.pacedInput) {
            if (arrival >= inputLineFree_) {
                inputBurstStart_ = arrival;
                inputBurstBytes_ = 0;
            }
            complete = inputBurstStart_ + lineTime(++inputBurstBytes_);
            inputLineFree_ = complete;
        }
        parser_.feed(byte, complete, items);
        for (const InputItem& item : items)
            handle(item);
        items.clear();
    }
}

void ReceiverSimulator::advance(TimePoint now) {
    // Runs every timer that is due, earliest first; each may set new ones.
    for (;;) {
        const std::optional<TimePoint> partial = parser_.partialDeadline();
        const std::optional<TimePoint> due = nextWakeUp();
        if (!due || *due > now)
            return;
        const TimePoint at = *due;
        if (partial && *partial == at) {
            parser_.expire(at);
            log(at, "partial item given up");
            if (mode_ == Mode::bootLoader && (parser_.listening() == Listening::bootBlock ||
                                              parser_.listening() == Listening::bootHeader)) {
                ++stats_.repeatsRequested;
                const std::uint8_t repeat = BL_REPEAT;
                sendBoot({&repeat, 1}, at);
            }
        } else if (powerOnAt_ == at) {
            powerOnAt_.reset();
            switchOn(at);
        } else if (actionAt_ == at) {
            const Action action = action_;
            actionAt_.reset();
            action_ = Action::none;
            runAction(action, at);
        } else if (bootWindowEndsAt_ == at) {
            bootWindowEndsAt_.reset();
            regreetAt_.reset();
            log(at, "no answer to the boot loader: starting the application");
            startApplication();
        } else if (regreetAt_ == at) {
            greet(at);
        } else {
            return;
        }
    }
}

void ReceiverSimulator::schedule(Action action, TimePoint at) {
    parser_.listen(Listening::nothing);
    action_ = action;
    actionAt_ = at;
}

void ReceiverSimulator::runAction(Action action, TimePoint at) {
    switch (action) {
    case Action::none:
        return;
    case Action::bootAfterPowerOn:
        enterBootLoader(at, config_.applicationWorks
                                ? std::optional<Duration>(config_.powerOnBootWindow)
                                : std::nullopt);
        return;
    case Action::bootAfterReset:
        enterBootLoader(at, config_.applicationWorks
                                ? std::optional<Duration>(config_.resetBootWindow)
                                : std::nullopt);
        return;
    case Action::flashWritten:
        if (faults_.noRestart) {
            log(at, "fault: flash written, the receiver does not restart");
            ++stats_.faultsInjected;
            config_.applicationWorks = false;
            goSilent();
            return;
        }
        config_.applicationWorks = true;
        if (const auto ident = identificationInImage(image_))
            config_.ident = *ident;
        image_.clear();
        log(at, "flash written: application restarted");
        startApplication();
        return;
    case Action::restartAfterAbort:
        if (config_.applicationWorks) {
            log(at, "restarted after the abort: application running");
            startApplication();
        } else {
            enterBootLoader(at, std::nullopt);
        }
        return;
    }
}

void ReceiverSimulator::startApplication() {
    mode_ = Mode::application;
    session_ = Session::none;
    regreetAt_.reset();
    bootWindowEndsAt_.reset();
    parser_.listen(Listening::frames);
}

void ReceiverSimulator::enterBootLoader(TimePoint at, std::optional<Duration> window) {
    mode_ = Mode::bootLoader;
    bootStep_ = BootStep::greeted;
    image_.clear();
    blocksReceived_ = 0;
    imageLength_ = 0;
    parser_.listen(Listening::singleBytes);
    bootWindowEndsAt_.reset();
    if (window)
        bootWindowEndsAt_ = at + *window;
    greet(at);
}

void ReceiverSimulator::greet(TimePoint at) {
    if (config_.greeting == Greeting::hello) {
        const std::uint8_t hello[] = {BL_HELLO, BL_HELLO_FOLLOWER};
        sendBoot(hello, at);
    } else {
        const std::uint8_t ready = BL_READY;
        sendBoot({&ready, 1}, at);
    }
    regreetAt_ = at + config_.greetingInterval;
}

void ReceiverSimulator::goSilent() {
    mode_ = Mode::silent;
    parser_.listen(Listening::nothing);
    actionAt_.reset();
    action_ = Action::none;
    regreetAt_.reset();
    bootWindowEndsAt_.reset();
}

void ReceiverSimulator::blockMoved(TimePoint at) {
    ++blocksMoved_;
    if (faults_.hangupAfterBlocks && blocksMoved_ >= *faults_.hangupAfterBlocks) {
        log(at, "fault: hanging up the line");
        ++stats_.faultsInjected;
        hangupWanted_ = true;
        goSilent();
    } else if (faults_.silentAfterBlocks && blocksMoved_ >= *faults_.silentAfterBlocks) {
        log(at, "fault: the receiver falls silent");
        ++stats_.faultsInjected;
        goSilent();
    }
}

void ReceiverSimulator::handle(const InputItem& item) {
    if (item.kind == InputItem::Kind::frame) {
        ++stats_.framesReceived;
        log(item.completedAt,
            "PC>RX " + hexBytes(item.bytes, "               ") + "  " + frameName(item.bytes[3]));
    } else {
        const char* what = item.kind == InputItem::Kind::bootHeader  ? "boot header"
                           : item.kind == InputItem::Kind::bootBlock ? "boot block"
                                                                     : "boot byte";
        log(item.completedAt, "PC>RX " + hexBytes(item.bytes, "               ") + "  " + what);
    }
    if (mode_ == Mode::application && item.kind == InputItem::Kind::frame)
        handleFrame(item);
    else if (mode_ == Mode::bootLoader)
        handleBootItem(item);
}

void ReceiverSimulator::handleFrame(const InputItem& item) {
    const std::uint8_t code = item.bytes[3];
    const std::span<const std::uint8_t> payload(item.bytes.data() + 4, item.bytes.size() - 5);
    const TimePoint at = replyTime(item);
    const bool inChannelTransfer = session_ != Session::none;

    switch (code) {
    case CMD_PROBE:
        ++stats_.probesAnswered;
        sendFrame(RSP_IDENT, config_.ident, at);
        return;
    case CMD_RESET:
        log(at, "restarting into the boot loader");
        mode_ = Mode::restarting;
        session_ = Session::none;
        schedule(Action::bootAfterReset, at + config_.restartDelay);
        return;
    case CMD_CHANNEL_OPEN: {
        session_ = Session::open;
        uploadEnded_ = false;
        const std::uint8_t reply[] = {config_.channels.layout, config_.channels.headerFlags};
        sendFrame(RSP_CHANNEL_OPEN, reply, at);
        return;
    }
    case CMD_UPLOAD_START: {
        if (!inChannelTransfer)
            break;
        std::uint8_t reply[5] = {statusGoOn};
        if (dice_.roll(FaultDice::Kind::refuse, CMD_UPLOAD_START, faults_.refuseUploadRate)) {
            ++stats_.faultsInjected;
            reply[0] = statusRefused;
            session_ = Session::open;
            sendFrame(RSP_UPLOAD_START, reply, at, "fault: upload refused");
            return;
        }
        uploadBody_ = config_.channels.body;
        wire::putU32(reply + 1, std::uint32_t(uploadBody_.size()));
        session_ = Session::uploading;
        sendFrame(RSP_UPLOAD_START, reply, at);
        return;
    }
    case CMD_UPLOAD_BLOCK: {
        if (session_ != Session::uploading || payload.size() < 2)
            break;
        const std::uint16_t block = wire::readU16(payload.data());
        const std::size_t offset = std::size_t(block) * blockSize;
        if (offset >= uploadBody_.size())
            break;
        const std::size_t count = std::min(blockSize, uploadBody_.size() - offset);
        std::vector<std::uint8_t> reply(2 + count);
        wire::putU16(reply.data(), block);
        std::copy_n(uploadBody_.begin() + std::ptrdiff_t(offset), count, reply.begin() + 2);
        sendFrame(RSP_UPLOAD_BLOCK, reply, at, "block " + std::to_string(block));
        blockMoved(at);
        return;
    }
    case CMD_UPLOAD_END:
        if (session_ == Session::none && uploadEnded_) {
            // The PC did not hear the end and asks again: nothing more to do than say so.
            sendFrame(RSP_UPLOAD_END, {}, at, "again");
            return;
        }
        if (session_ != Session::uploading)
            break;
        uploadEnded_ = true;
        ++stats_.uploads;
        stats_.uploadedBytes += uploadBody_.size();
        session_ = Session::none;
        sendFrame(RSP_UPLOAD_END, {}, at);
        return;
    case CMD_DOWNLOAD_START: {
        if (!inChannelTransfer || payload.size() < 5)
            break;
        const std::uint32_t length = wire::readU32(payload.data() + 1);
        std::uint8_t status = statusGoOn;
        std::string note;
        if (dice_.roll(FaultDice::Kind::refuse, CMD_DOWNLOAD_START, faults_.refuseDownloadRate)) {
            ++stats_.faultsInjected;
            status = statusRefused;
            note = "fault: download refused";
        } else if (length == 0) {
            status = statusEmpty;
            note = "refused: no channel data announced";
        } else if (length > maxUploadBody) {
            status = statusTooLarge;
            note = "refused: " + std::to_string(length) + " bytes is more than can be kept";
        }
        if (status == statusGoOn) {
            session_ = Session::downloading;
            downloadBody_.assign(length, 0);
            downloadBlocksSeen_.assign(blocksFor(length), false);
        } else {
            session_ = Session::open;
        }
        sendFrame(RSP_DOWNLOAD_START, {&status, 1}, at, note);
        return;
    }
    case CMD_DOWNLOAD_BLOCK: {
        ++stats_.downloadBlockFrames;
        if (session_ != Session::downloading || payload.size() < 2)
            break;
        const std::uint16_t block = wire::readU16(payload.data());
        const std::size_t offset = std::size_t(block) * blockSize;
        const std::size_t count = payload.size() - 2;
        if (offset >= downloadBody_.size() ||
            count != std::min(blockSize, downloadBody_.size() - offset)) {
            log(at, "download block " + std::to_string(block) + " of " + std::to_string(count) +
                        " bytes does not fit the announced length: ignored");
            return;
        }
        std::copy(payload.begin() + 2, payload.end(),
                  downloadBody_.begin() + std::ptrdiff_t(offset));
        downloadBlocksSeen_[block] = true;
        std::uint16_t acknowledged = block;
        std::string note = "block " + std::to_string(block);
        if (dice_.roll(FaultDice::Kind::wrongBlock, RSP_DOWNLOAD_BLOCK, faults_.wrongBlockRate)) {
            ++stats_.faultsInjected;
            acknowledged = std::uint16_t(block + 1);
            note = "fault: block " + std::to_string(block) + " acknowledged as " +
                   std::to_string(acknowledged);
        }
        std::uint8_t reply[2];
        wire::putU16(reply, acknowledged);
        TimePoint ackAt = at;
        if (faults_.slowAck && faults_.slowAck->block == block) {
            ++stats_.faultsInjected;
            ackAt += std::chrono::duration_cast<Duration>(
                std::chrono::duration<double>(faults_.slowAck->delaySeconds));
            note += " (fault: acknowledged late)";
            faults_.slowAck.reset();
        }
        sendFrame(RSP_DOWNLOAD_BLOCK, reply, ackAt, note);
        blockMoved(at);
        return;
    }
    case CMD_DOWNLOAD_END: {
        if (session_ != Session::downloading)
            break;
        if (std::find(downloadBlocksSeen_.begin(), downloadBlocksSeen_.end(), false) !=
            downloadBlocksSeen_.end()) {
            // Keeping half a channel list would be worse than keeping the old one; the PC
            // hears nothing and the transfer does not count as done.
            log(at, "download ended with blocks missing: channel data kept as it was");
            session_ = Session::none;
            return;
        }
        config_.channels.body = std::move(downloadBody_);
        downloadBody_.clear();
        ++stats_.downloads;
        stats_.downloadedBytes += config_.channels.body.size();
        session_ = Session::none;
        if (hooks_.channelDataStored)
            hooks_.channelDataStored(config_.channels);
        sendFrame(RSP_DOWNLOAD_END, {}, at);
        return;
    }
    default:
        break;
    }
    log(at, frameName(code) + " not expected now: ignored");
}

void ReceiverSimulator::handleBootItem(const InputItem& item) {
    const TimePoint at = replyTime(item);
    switch (bootStep_) {
    case BootStep::greeted:
        if (config_.greeting == Greeting::hello && item.bytes[0] == BL_HELLO) {
            regreetAt_.reset();
            bootWindowEndsAt_.reset();
            std::vector<std::uint8_t> info{BL_INFO};
            info.insert(info.end(), config_.ident.begin(), config_.ident.end());
            sendBoot(info, at);
            bootStep_ = BootStep::awaitingGoAhead;
        } else if (config_.greeting == Greeting::ready && item.bytes[0] == BL_GO_AHEAD) {
            regreetAt_.reset();
            bootWindowEndsAt_.reset();
            askForHeader(at);
        }
        return;
    case BootStep::awaitingGoAhead:
        if (item.bytes[0] == BL_GO_AHEAD)
            askForHeader(at);
        return;
    case BootStep::awaitingHeader:
        handleBootHeader(item);
        return;
    case BootStep::awaitingBlock:
        handleBootBlock(item);
        return;
    }
}

void ReceiverSimulator::askForHeader(TimePoint at) {
    bootStep_ = BootStep::awaitingHeader;
    parser_.listen(Listening::bootHeader);
    const std::uint8_t next = BL_NEXT;
    sendBoot({&next, 1}, at);
}

void ReceiverSimulator::handleBootHeader(const InputItem& item) {
    const TimePoint at = replyTime(item);
    if (item.kind == InputItem::Kind::bootBlock) {
        // Only the abort frame is this long while a header is awaited.
        if (isBootAbort(item.bytes))
            handleBootBlock(item);
        return;
    }
    const std::uint32_t length = wire::readU32(item.bytes.data() + 2);
    const bool valid = item.bytes[0] == 0x01 && item.bytes[1] == 0x01 && item.bytes[20] == 0x09 &&
                       length > 0 && length <= config_.maxImageLength;
    if (!valid) {
        log(at, "boot header not understood: asking again");
        ++stats_.repeatsRequested;
        const std::uint8_t repeat = BL_REPEAT;
        sendBoot({&repeat, 1}, at);
        return;
    }
    imageLength_ = length;
    blocksReceived_ = 0;
    image_.clear();
    image_.reserve(length);
    bootStep_ = BootStep::awaitingBlock;
    parser_.listen(Listening::bootBlock);
    const std::uint8_t next = BL_NEXT;
    sendBoot({&next, 1}, at);
}

void ReceiverSimulator::handleBootBlock(const InputItem& item) {
    const TimePoint at = replyTime(item);
    const std::span<const std::uint8_t> block(item.bytes);
    const std::uint8_t done = BL_DONE;
    if (!blockChecksumRight(block)) {
        if (isBootAbort(block)) {
            ++stats_.bootAborts;
            log(at, "download aborted by the PC: flash left as it was");
            image_.clear();
            sendBoot({&done, 1}, at);
            mode_ = Mode::restarting;
            schedule(Action::restartAfterAbort,
                     at + std::min(config_.abortRestartDelay, config_.flashTime));
            return;
        }
        ++stats_.repeatsRequested;
        log(at, "block " + std::to_string(blocksReceived_) + " has a wrong checksum: repeat");
        const std::uint8_t repeat = BL_REPEAT;
        sendBoot({&repeat, 1}, at);
        return;
    }
    image_.insert(image_.end(), block.begin(), block.begin() + blockSize);
    ++blocksReceived_;
    const bool endsEarly = faults_.bootDoneAfterBlocks &&
                           blocksReceived_ >= *faults_.bootDoneAfterBlocks &&
                           blocksReceived_ < blocksFor(imageLength_);
    if (endsEarly) {
        // A loader that lost count: it ends here and writes the part it has.
        ++stats_.faultsInjected;
        log(at, "fault: the boot loader ends after " + std::to_string(blocksReceived_) + " of " +
                    std::to_string(blocksFor(imageLength_)) + " blocks");
        faults_.bootDoneAfterBlocks.reset();
    } else if (blocksReceived_ < blocksFor(imageLength_)) {
        const std::uint8_t next = BL_NEXT;
        sendBoot({&next, 1}, at);
        blockMoved(at);
        return;
    }
    if (!endsEarly)
        image_.resize(imageLength_);
    ++stats_.firmwareImages;
    stats_.firmwareBytes += image_.size();
    if (hooks_.firmwareReceived)
        hooks_.firmwareReceived(image_);
    sendBoot({&done, 1}, at);
    log(at, "image of " + std::to_string(image_.size()) + " bytes received: writing flash");
    mode_ = Mode::flashing;
    schedule(Action::flashWritten, at + config_.flashTime);
    blockMoved(at);
}

void ReceiverSimulator::sendFrame(std::uint8_t code, std::span<const std::uint8_t> payload,
                                  TimePoint at, const std::string& note) {
    send(wire::encodeFrame(code, payload), at, code,
         frameName(code) + (note.empty() ? "" : " (" + note + ")"));
    if (faults_.muteAfterReplies && ++repliesSent_ >= *faults_.muteAfterReplies) {
        log(at,
            "fault: the receiver falls silent after " + std::to_string(repliesSent_) + " replies");
        ++stats_.faultsInjected;
        faults_.muteAfterReplies.reset();
        goSilent();
    }
}

void ReceiverSimulator::sendBoot(std::span<const std::uint8_t> bytes, TimePoint at) {
    send(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), at, bytes[0],
         bootByteName(bytes[0]));
}

void ReceiverSimulator::send(std::vector<std::uint8_t> bytes, TimePoint at, std::uint32_t stream,
                             const std::string& label) {
    if (stream <= 0xFF && faults_.dropFirstReply.erase(std::uint8_t(stream)) > 0) {
        ++stats_.faultsInjected;
        log(at, "fault: " + label + " dropped (the first of its kind)");
        return;
    }
    if (dice_.roll(FaultDice::Kind::drop, stream, faults_.dropRate)) {
        ++stats_.faultsInjected;
        log(at, "fault: " + label + " dropped");
        return;
    }
    if (dice_.roll(FaultDice::Kind::corrupt, stream, faults_.corruptRate)) {
        ++stats_.faultsInjected;
        const std::uint64_t draw = dice_.draw(FaultDice::Kind::corruptPosition, stream);
        const std::size_t position = std::size_t(draw % bytes.size());
        bytes[position] ^= std::uint8_t(1 + (draw >> 32) % 255);
        log(at, "fault: byte " + std::to_string(position) + " of " + label + " corrupted");
    }
    log(at, "RX>PC " + hexBytes(bytes, "               ") + "  " + label);
    output_.push_back(OutgoingItem{std::move(bytes), at});
}

void ReceiverSimulator::log(TimePoint at, const std::string& text) {
    if (!hooks_.log)
        return;
    const double seconds = std::chrono::duration<double>(at - startedAt_).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%10.4f] ", seconds);
    hooks_.log(stamp + text);
}

} // namespace sim
