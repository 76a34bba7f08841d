#include "link/transfer_machine.h"

#include "channels/channel_database.h"
#include "channels/channel_file_reader.h"
#include "link/frame_codec.h"
#include "link/message_codes.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::uint32_t blockSize = 1024;
constexpr int portCount = 4;
constexpr std::size_t identSize = 8;

// Flash writing takes up to 90 s; the bar fills in the first 62 s.
constexpr unsigned writeTickLimit = 180;
constexpr int writeBarMaximum = 124;
// After an aborted download the receiver restarts within 10 s.
constexpr unsigned cancelTickLimit = 20;
constexpr int cancelBarMaximum = 10;

// A reply that does not come within 10 s will not come: the transfer is given up. Through
// the boot-mode prompt the user still has to reach the receiver's power switch.
constexpr unsigned quietTickLimit = 20;
constexpr unsigned powerOnTickLimit = 120;
// A re-send is harmless only once the request has had a whole tick to be answered.
constexpr unsigned firstResendTick = 2;
// Block numbers travel as 16 bits.
constexpr std::uint64_t maxBodyBlocks = 0x10000;
// The header flags that change how the body is laid out: skew bytes, favourites section,
// extra word per program.
constexpr std::uint8_t bodyFormatFlags = 0x01 | 0x04 | 0x08;
constexpr int noResend = -1;
// A boot block the loader keeps refusing will not get through: ten refusals in a row end it.
constexpr int maxBootRepeats = 10;

const QString startText = QStringLiteral("START");
const QString cancelText = QStringLiteral("Cancel");
const QString exitText = QStringLiteral("Exit");

// The endings beyond the receiver falling silent. The status line has room for two lines.
const QString disconnectedText = QStringLiteral("The cable or adapter was disconnected. ");
const QString bootModeAdvice = QStringLiteral("Repeat the download in boot mode...");

unsigned percentOf(std::int64_t block, std::uint32_t length) {
    if (length == 0)
        return 0;
    return unsigned(block * blockSize * 100 / length);
}

// Year first: day and month in the other order would read differently in half the world.
QString timestampText(const CdfTimestamp& t, int fullYear) {
    return QString::asprintf("%04u-%02u-%02u %02u:%02u", unsigned(fullYear), unsigned(t.month),
                             unsigned(t.day), unsigned(t.hour), unsigned(t.minute));
}

QString fileInCaption(const QString& name) {
    return name.isEmpty() ? QString() : name + QStringLiteral(" - ");
}

} // namespace

TransferMachine::TransferMachine(TransferView& view, TransferLink& link, TransferFlags& flags)
    : view_(view), link_(link), flags_(flags),
      clock_([] { return QDateTime::currentDateTimeUtc(); }) {
    flags_.state.store(0, std::memory_order_release);
    flags_.receivePaused.store(false, std::memory_order_release);
}

void TransferMachine::setFirmware(const FirmwareImage& firmware) {
    kind_ = TransferKind::firmwareDownload;
    firmwareIdent_ = firmware.identification;
    data_ = firmware.image;
    length_ = firmware.imageLength();
}

bool TransferMachine::setChannelDownload(std::span<const std::uint8_t> file) {
    if (file.size() < UploadBuffer::headerSize ||
        file.size() - UploadBuffer::headerSize > maxBodyBlocks * blockSize)
        return false;
    kind_ = TransferKind::channelDownload;
    data_ = file;
    length_ = std::uint32_t(file.size() - UploadBuffer::headerSize);
    layout_ = file[3];
    headerFlags_ = file[4];
    saved_ = {file[5], file[6], file[7], file[8], file[9]};
    return true;
}

void TransferMachine::setChannelUpload() {
    kind_ = TransferKind::channelUpload;
}

void TransferMachine::setState(TransferState state) {
    state_ = state;
    progress();
    flags_.state.store(int(state), std::memory_order_release);
}

void TransferMachine::failAndClose(const QString& message) {
    // Marked first: the message box runs a nested event loop in which ticks and frames
    // keep arriving.
    finish();
    if (outcome_ == TransferOutcome::running)
        outcome_ = TransferOutcome::failed;
    view_.showError(message);
    view_.requestClose();
}

void TransferMachine::closeWindow() {
    finish();
    if (outcome_ == TransferOutcome::running)
        outcome_ = TransferOutcome::refused;
    view_.requestClose();
}

void TransferMachine::endWindow() {
    finish();
    if (outcome_ == TransferOutcome::running)
        outcome_ = TransferOutcome::cancelled;
    view_.endWithCancel();
}

// ---------------------------------------------------------------------------------------
// Window start and detection

void TransferMachine::showKind() {
    switch (kind_) {
    case TransferKind::firmwareDownload:
        view_.setCaption(QStringLiteral("Firmware download - version ") +
                         firmwareIdent_.versionText());
        view_.setTransferRange(int(length_ / blockSize));
        view_.setTransferPosition(0);
        view_.setWriteRange(writeBarMaximum);
        view_.setWritePosition(0);
        break;
    case TransferKind::channelDownload:
        view_.setCaption(QStringLiteral("Channel data download - ") + fileInCaption(fileName_) +
                         timestampText(saved_, saved_.year + 2000));
        view_.setTransferRange(int(length_ / blockSize));
        view_.setTransferPosition(0);
        view_.hideWriteBar();
        break;
    case TransferKind::channelUpload:
        view_.hideWriteBar();
        refreshUploadTitle();
        break;
    }
}

void TransferMachine::refreshUploadTitle() {
    const QDateTime now = clock_().toUTC();
    const QDate date = now.date();
    const QTime time = now.time();
    saved_ = {std::uint8_t(date.day()), std::uint8_t(date.month()),
              std::uint8_t((date.year() - 2000) & 0xFF), std::uint8_t(time.hour()),
              std::uint8_t(time.minute())};
    view_.setCaption(QStringLiteral("Channel data upload - ") + fileInCaption(fileName_) +
                     timestampText(saved_, date.year()) + QStringLiteral(" (GMT)"));
}

bool TransferMachine::startProbing() {
    if (finished_)
        return false;
    if (!scanPorts()) {
        failAndClose(QStringLiteral("No available COM port..."));
        return false;
    }
    setState(TransferState::Probing);
    detectedPort_ = 0;
    link_.sendFrame(CMD_PROBE, {});
    return true;
}

bool TransferMachine::scanPorts() {
    for (int attempt = 0; attempt < portCount; ++attempt) {
        currentPort_ = currentPort_ % portCount + 1;
        if (link_.isPortOpen())
            link_.closePort();
        if (!link_.openPort(currentPort_))
            continue;
        view_.setStatus(QString::asprintf("COM%u...", unsigned(currentPort_)));
        if (firstOpenedPort_ == currentPort_) {
            // A full unanswered cycle: a firmware download may now go through the boot loader.
            if (kind_ == TransferKind::firmwareDownload)
                view_.setButtonEnabled(true);
        } else if (firstOpenedPort_ == 0) {
            firstOpenedPort_ = currentPort_;
        }
        return true;
    }
    return false;
}

void TransferMachine::probe() {
    setState(TransferState::Probing);
    link_.sendFrame(CMD_PROBE, {});
    if (kind_ == TransferKind::channelUpload)
        refreshUploadTitle();
}

void TransferMachine::onIdentified(std::span<const std::uint8_t> payload) {
    receiverIdent_ = IdentificationRecord::fromBytes(payload.data());
    view_.setStatus(QStringLiteral("Version ") + receiverIdent_.versionText() +
                    QStringLiteral(" detected..."));
    setState(TransferState::Detected);
    detectedPort_ = currentPort_;
    view_.setButtonEnabled(true);
    view_.writeComPort(detectedPort_);
}

void TransferMachine::onStart() {
    if (detectedPort_ != 0) {
        if (kind_ == TransferKind::firmwareDownload) {
            link_.sendFrame(CMD_RESET, {});
            setState(TransferState::ResetSent);
            view_.setStatus(QStringLiteral("System reset..."));
            view_.setButton(cancelText, false);
        } else {
            link_.sendFrame(CMD_CHANNEL_OPEN, {});
            setState(TransferState::ChannelRequested);
        }
        return;
    }
    if (kind_ == TransferKind::firmwareDownload)
        runBootModePrompt();
    else
        endWindow();
}

void TransferMachine::runBootModePrompt() {
    const int preset = view_.readComPort() - 1;
    // Bytes arriving behind the prompt are dropped; the poll timer goes on scanning.
    flags_.receivePaused.store(true, std::memory_order_release);
    const int index = view_.askBootModePort(preset);
    if (index >= 0 && index < portCount && !finished_) {
        view_.setButton(cancelText, false);
        currentPort_ = index + 1;
        view_.writeComPort(currentPort_);
        if (link_.isPortOpen())
            link_.closePort();
        if (link_.openPort(currentPort_)) {
            setState(TransferState::ResetSent);
            bootModePrompted_ = true;
            view_.setStatus(QStringLiteral("Waiting for the response of your receiver..."));
        } else {
            finish();
            outcome_ = TransferOutcome::failed;
            view_.showError(QStringLiteral("COM port is not available..."));
            view_.endWithCancel();
        }
    }
    // Cleared only now, so that nothing read on the new port is parsed in the old mode.
    flags_.receivePaused.store(false, std::memory_order_release);
}

// ---------------------------------------------------------------------------------------
// Events

void TransferMachine::onFrame(std::uint8_t code, std::span<const std::uint8_t> payload) {
    // Frames already on their way when the boot-mode prompt opened are dropped as well.
    if (finished_ || flags_.receivePaused.load(std::memory_order_acquire))
        return;
    // A reply shorter than the payload it is read for is dropped.
    switch (state_) {
    case TransferState::Probing:
        if (code == RSP_IDENT && payload.size() >= identSize)
            onIdentified(payload);
        break;
    case TransferState::Writing:
    case TransferState::CancelWait:
        if (code == RSP_IDENT && payload.size() >= identSize)
            onRestarted(payload);
        break;
    case TransferState::ChannelRequested:
        if (code == RSP_CHANNEL_OPEN && payload.size() >= 2)
            onChannelOpen(payload);
        break;
    case TransferState::UploadRequested:
        if (code == RSP_UPLOAD_START && payload.size() >= 5)
            onUploadStart(payload);
        break;
    case TransferState::UploadReceiving:
        if (code == RSP_UPLOAD_BLOCK && payload.size() >= 2)
            onUploadBlock(payload);
        break;
    case TransferState::UploadEnding:
        if (code == RSP_UPLOAD_END)
            onUploadEnd();
        break;
    case TransferState::DownloadRequested:
        if (code == RSP_DOWNLOAD_START && payload.size() >= 1)
            onDownloadStart(payload);
        break;
    case TransferState::DownloadSending:
        if (code == RSP_DOWNLOAD_BLOCK && payload.size() >= 2)
            onDownloadBlockAck(payload);
        break;
    case TransferState::DownloadEnding:
        if (code == RSP_DOWNLOAD_END)
            onDownloadEnd();
        break;
    case TransferState::ResetSent:
    case TransferState::BootGreeted:
    case TransferState::BootAccepted:
    case TransferState::BootSending:
        onBootByte(code, payload);
        break;
    case TransferState::Idle:
    case TransferState::Detected:
    case TransferState::Finished:
        break;
    }
}

void TransferMachine::onTick() {
    if (finished_)
        return;
    // While the transfer waits on the line, a port that reports it gone ends it now rather
    // than after the quiet bound. Probing moves on to the next port by itself.
    if (link_.isLineDown() && state_ != TransferState::Idle && state_ != TransferState::Probing &&
        state_ != TransferState::Detected && state_ != TransferState::Finished) {
        onLineLost();
        return;
    }
    switch (state_) {
    case TransferState::Probing:
        // No identification since the last probe: try the next port.
        if (!scanPorts()) {
            failAndClose(QStringLiteral("No available COM port..."));
            return;
        }
        detectedPort_ = 0;
        if (isChannelTransfer())
            view_.setButtonEnabled(false);
        probe();
        break;
    case TransferState::Detected:
        probe();
        break;
    case TransferState::Writing:
        onWritingTick();
        break;
    case TransferState::CancelWait:
        onCancelWaitTick();
        break;
    // Requests the receiver may safely see twice are asked again; the others are only
    // waited for, and every wait has an end.
    case TransferState::ChannelRequested:
        waitForReply(CMD_CHANNEL_OPEN, quietTickLimit);
        break;
    case TransferState::UploadRequested:
        waitForReply(CMD_UPLOAD_START, quietTickLimit);
        break;
    case TransferState::UploadReceiving:
        lastSeenBlock_ = block_;
        waitForReply(CMD_UPLOAD_BLOCK, quietTickLimit);
        break;
    case TransferState::UploadEnding:
        waitForReply(CMD_UPLOAD_END, quietTickLimit);
        break;
    case TransferState::DownloadRequested:
        waitForReply(CMD_DOWNLOAD_START, quietTickLimit);
        break;
    case TransferState::DownloadSending:
        lastSeenBlock_ = block_;
        waitForReply(CMD_DOWNLOAD_BLOCK, quietTickLimit);
        break;
    case TransferState::DownloadEnding:
        // A second end could make the receiver take the data twice.
        waitForReply(noResend, quietTickLimit);
        break;
    case TransferState::ResetSent:
        waitForReply(noResend, bootModePrompted_ ? powerOnTickLimit : quietTickLimit);
        break;
    case TransferState::BootGreeted:
    case TransferState::BootAccepted:
    case TransferState::BootSending:
        // The boot loader cannot be asked again; it repeats its own requests.
        waitForReply(noResend, quietTickLimit);
        break;
    case TransferState::Idle:
    case TransferState::Finished:
        break;
    }
}

void TransferMachine::waitForReply(int resendCode, unsigned tickLimit) {
    quietTicks_ += 1;
    if (quietTicks_ >= tickLimit) {
        stopWaiting();
        return;
    }
    if (resendCode != noResend && quietTicks_ >= firstResendTick)
        link_.resendFrame(std::uint8_t(resendCode));
}

void TransferMachine::stopWaiting() {
    if (state_ == TransferState::BootSending && !cancelRequested_ &&
        block_ + 1 == bootBlockCount()) {
        // The last block went out and only the loader's end was lost: the receiver may be
        // writing its flash now. Wait for its restart as after the end.
        enterWriting();
        return;
    }
    if (state_ == TransferState::UploadEnding) {
        saveUnconfirmedUpload();
        return;
    }
    if (!isChannelTransfer())
        giveUp(TransferOutcome::noAnswer,
               QStringLiteral("No answer from the receiver. ") + bootModeAdvice);
    else if (state_ == TransferState::DownloadEnding)
        giveUp(TransferOutcome::unconfirmed,
               QStringLiteral("The receiver did not confirm the download. Check its channels "
                              "and try again..."));
    else if (kind_ == TransferKind::channelUpload)
        giveUp(TransferOutcome::noAnswer,
               QStringLiteral(
                   "No answer from the receiver. Your file is unchanged; try the upload again..."));
    else
        giveUp(
            TransferOutcome::noAnswer,
            QStringLiteral("No answer from the receiver. Check it and try the download again..."));
}

void TransferMachine::onLineLost() {
    if (state_ == TransferState::UploadEnding) {
        saveUnconfirmedUpload(); // every block is in already
        return;
    }
    QString advice;
    if (state_ == TransferState::Writing || state_ == TransferState::CancelWait)
        advice = QStringLiteral("Leave the receiver switched on...");
    else if (!isChannelTransfer())
        advice = bootModeAdvice;
    else if (kind_ == TransferKind::channelUpload)
        advice = QStringLiteral("Your file is unchanged...");
    else
        advice = QStringLiteral("Check the receiver's channels...");
    giveUp(TransferOutcome::disconnected, disconnectedText + advice);
}

void TransferMachine::saveUnconfirmedUpload() {
    // Every block arrived; only the receiver's end is missing. Data that reads in full as the
    // editor reads it is the user's, and is saved with the usual backup.
    const auto image = upload_->image();
    ChannelDatabase check;
    const bool whole =
        readChannelImage(check, QByteArrayView(reinterpret_cast<const char*>(image.data()),
                                               qsizetype(image.size()))) == 0;
    const QString unchanged = QStringLiteral(
        "No answer from the receiver. Your file is unchanged; try the upload again...");
    if (!whole) {
        giveUp(TransferOutcome::noAnswer, unchanged);
        return;
    }
    // Marked first: a failed save shows a message box with an event loop of its own.
    setState(TransferState::Finished);
    if (view_.saveUpload(image) != 0) {
        view_.clearChannelPath();
        giveUp(TransferOutcome::failed, unchanged);
        return;
    }
    giveUp(TransferOutcome::unconfirmed,
           QStringLiteral("The receiver did not confirm the end. The data arrived whole and "
                          "was saved..."));
}

void TransferMachine::giveUp(TransferOutcome outcome, const QString& text) {
    outcome_ = outcome;
    // Nothing more goes out and nothing that still comes in is taken.
    setState(TransferState::Finished);
    cancelRequested_ = false;
    if (link_.isPortOpen())
        link_.closePort();
    view_.setStatus(text);
    view_.setButton(exitText, true);
}

void TransferMachine::onButton() {
    if (finished_)
        return;
    switch (state_) {
    case TransferState::Probing:
    case TransferState::Detected:
        onStart();
        break;
    case TransferState::Writing:
    case TransferState::CancelWait:
    case TransferState::Finished:
        endWindow();
        break;
    case TransferState::ResetSent:
    case TransferState::BootGreeted:
    case TransferState::BootAccepted:
    case TransferState::BootSending:
        // Takes effect at the boot loader's next request.
        cancelRequested_ = true;
        view_.setTransferPosition(0);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------------------
// Firmware through the boot loader

void TransferMachine::onBootByte(std::uint8_t code, std::span<const std::uint8_t> payload) {
    switch (state_) {
    case TransferState::ResetSent:
        if (code == BL_HELLO || code == BL_HELLO_ALT) {
            const std::array<std::uint8_t, 1> echo{code};
            link_.sendRaw(echo);
            setState(TransferState::BootGreeted);
        } else if (code == BL_READY) {
            const std::array<std::uint8_t, 1> goAhead{BL_GO_AHEAD};
            link_.sendRaw(goAhead);
            setState(TransferState::BootAccepted);
        }
        break;
    case TransferState::BootGreeted:
        if (code == BL_HELLO || code == BL_HELLO_ALT) {
            restartGreeting(code);
        } else if ((code == BL_INFO || code == BL_INFO_ALT) && payload.size() >= identSize) {
            receiverIdent_ = IdentificationRecord::fromBytes(payload.data());
            const std::array<std::uint8_t, 1> goAhead{BL_GO_AHEAD};
            link_.sendRaw(goAhead);
            setState(TransferState::BootAccepted);
            view_.setButton(cancelText, true);
        }
        break;
    case TransferState::BootAccepted:
        if (code == BL_HELLO || code == BL_HELLO_ALT) {
            restartGreeting(code);
        } else if (code == BL_NEXT) {
            link_.sendRaw(wire::bootHeader(length_));
            block_ = -1;
            bootRepeats_ = 0;
            setState(TransferState::BootSending);
        }
        break;
    case TransferState::BootSending:
        // Only a request that moves something shows the loader is still with us: one that
        // keeps asking past the last block, for the header again, or refuses every abort must
        // not hold the transfer open for ever.
        if (code == BL_NEXT) {
            if (cancelRequested_)
                sendBootAbort();
            else
                sendNextBootBlock();
        } else if (code == BL_REPEAT) {
            if (cancelRequested_)
                sendBootAbort();
            else if (block_ != -1)
                onBootRepeat();
        } else if (code == BL_DONE) {
            onBootDone();
        }
        break;
    default:
        break;
    }
}

void TransferMachine::restartGreeting(std::uint8_t code) {
    // The loader greets again before the header went out: it did not hear the answer (or a
    // damaged greeting was taken for another byte). Answer it and start afresh; the quiet
    // count goes on, so a loader that never hears us still ends the wait.
    const unsigned quiet = quietTicks_;
    const std::array<std::uint8_t, 1> echo{code};
    link_.sendRaw(echo);
    setState(TransferState::BootGreeted);
    quietTicks_ = quiet;
}

void TransferMachine::onBootRepeat() {
    bootRepeats_ += 1;
    if (bootRepeats_ >= maxBootRepeats) {
        giveUp(TransferOutcome::rejected,
               QString::asprintf("The receiver refused block %d ten times. ", block_ + 1) +
                   bootModeAdvice);
        return;
    }
    progress();
    link_.resendRaw();
}

int TransferMachine::bootBlockCount() const {
    return int((std::uint64_t(length_) + blockSize - 1) / blockSize);
}

void TransferMachine::sendNextBootBlock() {
    // Requests after the last block are answered with nothing; the count stays bounded.
    if (std::int64_t(block_) * blockSize >= length_)
        return;
    block_ += 1;
    // The loader asks for a block only once it has taken the one before.
    bytesMoved_ = std::min<std::uint64_t>(std::uint64_t(block_) * blockSize, length_);
    if (std::int64_t(block_) * blockSize >= length_)
        return;
    progress();
    bootRepeats_ = 0;
    link_.sendRaw(wire::bootBlock(data_.first(length_), block_));
    view_.setStatus(QString::asprintf("Sending ... %u %%", percentOf(block_, length_)));
    view_.setTransferPosition(block_);
}

void TransferMachine::sendBootAbort() {
    if (bootAborts_ >= maxBootRepeats) {
        giveUp(TransferOutcome::rejected,
               QStringLiteral("The receiver refused the stop ten times. ") + bootModeAdvice);
        return;
    }
    bootAborts_ += 1;
    progress();
    // A frame exactly the size of a boot block, sent when the boot loader expects one.
    static const std::array<std::uint8_t, wire::bootAbortPayloadSize> zeros{};
    link_.sendFrame(CMD_BOOT_ABORT, zeros);
    view_.setStatus(QStringLiteral("Wait a few minutes..."));
}

void TransferMachine::onBootDone() {
    // The end answers a Cancel only once the abort has gone out. Before that the loader ended
    // by itself, with the whole image or a part of it, and is writing that now.
    if (cancelRequested_ && bootAborts_ == 0)
        cancelRequested_ = false;
    if (cancelRequested_) {
        setState(TransferState::CancelWait);
        view_.setWriteRange(cancelBarMaximum);
        view_.setStatus(QStringLiteral("Wait a few minutes..."));
        tickCount_ = 0;
        view_.setWritePosition(0);
        view_.setButton(exitText, true);
        return;
    }
    // The exchange has no block numbers: the end counts only right after the last block. An
    // earlier one (a block sent twice on a damaged request, a loader that lost count) leaves a
    // partial image in the receiver, which will then need the boot loader.
    const int sent = block_ + 1;
    if (sent != bootBlockCount()) {
        // A loader that asked past the last block has lost count as well.
        giveUp(TransferOutcome::incomplete,
               QString::asprintf("Image may be incomplete (%d of %d blocks). ",
                                 std::clamp(sent, 0, bootBlockCount()), bootBlockCount()) +
                   bootModeAdvice);
        return;
    }
    bytesMoved_ = length_;
    enterWriting();
}

void TransferMachine::enterWriting() {
    setState(TransferState::Writing);
    view_.setWriteRange(writeBarMaximum);
    view_.setStatus(QStringLiteral("Writing ..."));
    tickCount_ = 0;
    view_.setWritePosition(0);
    // While the flash is written there is nothing to end: the receiver finishes by itself.
    view_.setButton(exitText, false);
}

void TransferMachine::onWritingTick() {
    if (tickCount_ < writeTickLimit) {
        tickCount_ += 1;
        if (tickCount_ <= unsigned(writeBarMaximum))
            view_.setWritePosition(int(tickCount_));
        if (tickCount_ % 2 == 0)
            view_.setStatus(QString::asprintf("Writing ... %u sec", tickCount_ / 2));
    } else if (tickCount_ == writeTickLimit) {
        // Shown once; probing goes on and a late answer still counts.
        tickCount_ = writeTickLimit + 1;
        view_.setStatus(QStringLiteral("Downloading is failed..."));
        view_.setButtonEnabled(true);
    }
    link_.sendFrame(CMD_PROBE, {});
}

void TransferMachine::onCancelWaitTick() {
    if (tickCount_ < cancelTickLimit) {
        tickCount_ += 1;
        if (tickCount_ <= unsigned(cancelBarMaximum))
            view_.setWritePosition(int(tickCount_));
    } else if (tickCount_ == cancelTickLimit) {
        tickCount_ = cancelTickLimit + 1;
        view_.setStatus(QStringLiteral("The receiver does not response..."));
    }
    link_.sendFrame(CMD_PROBE, {});
}

void TransferMachine::onRestarted(std::span<const std::uint8_t> payload) {
    const bool cancelled = state_ == TransferState::CancelWait;
    setState(TransferState::Finished);
    detectedPort_ = currentPort_;
    if (cancelled) {
        outcome_ = TransferOutcome::cancelled;
        view_.setStatus(QStringLiteral("Downloading is canceled..."));
        view_.setWritePosition(cancelBarMaximum);
        return;
    }
    // The one check of what was written this protocol allows: the restarted receiver reports
    // the image's version.
    const IdentificationRecord restarted = IdentificationRecord::fromBytes(payload.data());
    if (firmwareIdent_.hasKnownVersion() &&
        !std::equal(restarted.bytes.begin() + 4, restarted.bytes.begin() + 7,
                    firmwareIdent_.bytes.begin() + 4)) {
        outcome_ = TransferOutcome::wrongVersion;
        view_.setStatus(QStringLiteral("The receiver restarted with version %1, not %2. ")
                            .arg(restarted.versionText(), firmwareIdent_.versionText()) +
                        QStringLiteral("Repeat the download..."));
        view_.setButton(exitText, true);
        return;
    }
    bytesMoved_ = length_;
    outcome_ = TransferOutcome::succeeded;
    view_.setStatus(QStringLiteral("Downloading is successful..."));
    view_.setButtonEnabled(true);
}

// ---------------------------------------------------------------------------------------
// Channel data

void TransferMachine::onChannelOpen(std::span<const std::uint8_t> payload) {
    if (kind_ == TransferKind::channelDownload && !sameBodyFormat(payload)) {
        // The receiver would read the body with its own layout and get it wrong.
        outcome_ = TransferOutcome::refused;
        failAndClose(QString::asprintf(
            "The receiver holds layout %u, flags 0x%02X; this file has layout %u, flags "
            "0x%02X. Nothing was sent...",
            unsigned(payload[0]), unsigned(payload[1]), unsigned(layout_), unsigned(headerFlags_)));
        return;
    }
    layout_ = payload[0];
    headerFlags_ = payload[1];
    if (kind_ == TransferKind::channelUpload) {
        const std::array<std::uint8_t, 1> start{0x00};
        link_.sendFrame(CMD_UPLOAD_START, start);
        setState(TransferState::UploadRequested);
    } else {
        std::array<std::uint8_t, 5> start{0x00};
        wire::putU32(start.data() + 1, length_);
        link_.sendFrame(CMD_DOWNLOAD_START, start);
        setState(TransferState::DownloadRequested);
    }
}

void TransferMachine::onUploadStart(std::span<const std::uint8_t> payload) {
    if (payload[0] != 0) {
        closeWindow(); // refused by the receiver
        return;
    }
    const std::uint32_t announced = wire::readU32(payload.data() + 1);
    if (!UploadBuffer::fits(announced)) {
        failAndClose(QStringLiteral("The channel data is too large to upload..."));
        return;
    }
    if (announced == 0) {
        // No block could ever be accepted, and an empty body is no Channel Data File.
        failAndClose(QStringLiteral("Invalid CDF format..."));
        return;
    }
    setState(TransferState::UploadReceiving);
    length_ = announced;
    upload_ = std::make_unique<UploadBuffer>();
    upload_->writeHeader(layout_, headerFlags_, saved_, length_);
    block_ = 0;
    lastSeenBlock_ = -1;
    sendUploadRequest(0);
    view_.setTransferRange(int(length_ / blockSize));
    view_.setTransferPosition(0);
    view_.setStatus(QStringLiteral("Waiting for response..."));
}

void TransferMachine::onUploadBlock(std::span<const std::uint8_t> payload) {
    const int k = wire::readU16(payload.data());
    if (std::uint64_t(k) * blockSize >= length_)
        return;
    // Only the block asked for is taken: a stray or stale block would leave a hole in the
    // file. The tick asks again for a block that did not come.
    if (k != block_)
        return;
    // A block of any other length would leave a hole or spill into the next: ask again.
    const std::size_t expected =
        std::min<std::size_t>(blockSize, length_ - std::size_t(k) * blockSize);
    if (payload.size() - 2 != expected) {
        link_.resendFrame(CMD_UPLOAD_BLOCK);
        return;
    }
    progress();
    upload_->storeBody(std::size_t(k) * blockSize, payload.subspan(2));
    bytesMoved_ = std::size_t(k) * blockSize + expected;
    view_.setTransferPosition(block_);
    view_.setStatus(QString::asprintf("Receiving ... %u %%", percentOf(block_, length_)));
    block_ = (k + 1) & 0xFFFF;
    if (std::uint64_t(block_) * blockSize < length_) {
        sendUploadRequest(block_);
    } else {
        link_.sendFrame(CMD_UPLOAD_END, {});
        setState(TransferState::UploadEnding);
    }
}

void TransferMachine::onUploadEnd() {
    // Marked first: a failed save shows a message box, whose event loop must not see a
    // second end frame.
    finish();
    // "successful" only once the file is written: a save that fails has its own message.
    if (view_.saveUpload(upload_->image()) != 0) {
        outcome_ = TransferOutcome::failed;
        view_.clearChannelPath();
    } else {
        outcome_ = TransferOutcome::succeeded;
        view_.setStatus(QStringLiteral("Uploading is successful..."));
    }
    view_.requestClose();
}

void TransferMachine::onDownloadStart(std::span<const std::uint8_t> payload) {
    if (payload[0] != 0) {
        closeWindow(); // refused by the receiver
        return;
    }
    setState(TransferState::DownloadSending);
    block_ = 0;
    lastSeenBlock_ = -1;
    sendDownloadBlock(0);
    view_.setStatus(QStringLiteral("Waiting for response..."));
}

void TransferMachine::onDownloadBlockAck(std::span<const std::uint8_t> payload) {
    const int k = wire::readU16(payload.data());
    // A late or repeated acknowledgement of a block already acknowledged moves nothing: the
    // next block has gone out already, and answering it again would send every further
    // block twice. Lost blocks are re-sent by the tick.
    if (k < block_)
        return;
    if (k != block_) {
        link_.resendFrame(CMD_DOWNLOAD_BLOCK);
        return;
    }
    progress();
    view_.setTransferPosition(block_);
    view_.setStatus(QString::asprintf("Sending ... %u %%", percentOf(block_, length_)));
    bytesMoved_ = std::min<std::uint64_t>(std::uint64_t(block_ + 1) * blockSize, length_);
    block_ += 1;
    if (std::uint64_t(block_) * blockSize < length_) {
        sendDownloadBlock(block_);
    } else {
        link_.sendFrame(CMD_DOWNLOAD_END, {});
        setState(TransferState::DownloadEnding);
    }
}

void TransferMachine::onDownloadEnd() {
    outcome_ = TransferOutcome::succeeded;
    view_.setStatus(QStringLiteral("Downloading is successful..."));
    closeWindow();
}

void TransferMachine::sendUploadRequest(int block) {
    std::array<std::uint8_t, 2> number;
    wire::putU16(number.data(), std::uint16_t(block));
    link_.sendFrame(CMD_UPLOAD_BLOCK, number);
}

void TransferMachine::sendDownloadBlock(int block) {
    const std::size_t offset = std::size_t(block) * blockSize;
    const std::size_t count =
        offset < length_ ? std::min<std::size_t>(blockSize, length_ - offset) : 0;
    std::array<std::uint8_t, 2 + blockSize> payload;
    wire::putU16(payload.data(), std::uint16_t(block));
    const auto body = data_.subspan(UploadBuffer::headerSize + offset, count);
    std::copy(body.begin(), body.end(), payload.begin() + 2);
    link_.sendFrame(CMD_DOWNLOAD_BLOCK, std::span(payload).first(2 + count));
}

bool TransferMachine::sameBodyFormat(std::span<const std::uint8_t> payload) const {
    return payload[0] == layout_ &&
           (payload[1] & bodyFormatFlags) == (headerFlags_ & bodyFormatFlags);
}
