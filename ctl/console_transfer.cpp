#include "ctl/console_transfer.h"

#include "ctl/exit_code.h"
#include "link/event_hand_over.h"
#include "link/serial_device_map.h"
#include "link/transfer_reader_thread.h"
#include "link/upload_save.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <cstdio>

namespace {

constexpr int pollPeriodMs = 500;

const QString flashFailed = QStringLiteral("Downloading is failed...");
const QString cancelNoAnswer = QStringLiteral("The receiver does not response...");

// Statuses the progress line stands for, and passing ones that are only drawn in place.
bool isProgressStatus(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^(Sending|Receiving) \\.\\.\\. \\d+ %$"));
    return pattern.match(text).hasMatch();
}
bool isPassingStatus(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^(COM\\d+\\.\\.\\.|Writing \\.\\.\\. \\d+ sec)$"));
    return pattern.match(text).hasMatch();
}

bool isBootExchange(TransferState state) {
    return int(state) < 0;
}

} // namespace

ConsoleTransfer::ConsoleTransfer(const TransferEndpointFactory& makeEndpoint,
                                 const PortChoice& ports, LastSettings settings,
                                 std::unique_ptr<ProgressMeter> meter,
                                 std::chrono::milliseconds findTimeout)
    : ports_(ports), settings_(std::move(settings)), meter_(std::move(meter)),
      findTimeout_(findTimeout), endpoint_(makeEndpoint(flags_)) {
    machine_ = std::make_unique<TransferMachine>(static_cast<TransferView&>(*this), *endpoint_.link,
                                                 flags_);
    pollTimer_.setInterval(pollPeriodMs);
    connect(&pollTimer_, &QTimer::timeout, this, [this] {
        machine_->onTick();
        afterEvent();
    });
    findTimer_.setSingleShot(true);
    // A coarse timer may fire 5 % early; "within the time-out" means not before it either.
    findTimer_.setTimerType(Qt::PreciseTimer);
    findTimer_.setInterval(findTimeout_);
    connect(&findTimer_, &QTimer::timeout, this, &ConsoleTransfer::onFindTimeout);
}

ConsoleTransfer::~ConsoleTransfer() {
    shutdown();
}

void ConsoleTransfer::setProbe() {
    mode_ = Mode::probe;
    // Any kind finds the receiver; this one needs no data.
    machine_->setChannelUpload();
}

void ConsoleTransfer::setFirmware(const FirmwareImage& firmware, bool throughBootLoader) {
    mode_ = throughBootLoader ? Mode::bootLoader : Mode::transfer;
    machine_->setFirmware(firmware);
}

bool ConsoleTransfer::setChannelDownload(std::span<const std::uint8_t> file) {
    mode_ = Mode::transfer;
    return machine_->setChannelDownload(file);
}

void ConsoleTransfer::setUpload(const QString& path) {
    mode_ = Mode::transfer;
    uploadPath_ = path;
    machine_->setChannelUpload();
}

int ConsoleTransfer::run() {
    machine_->showKind();
    reader_ = std::make_unique<TransferReaderThread>(*endpoint_.source, *this);
    if (!reader_->startReading()) {
        reader_.reset();
        end(exitFailed, QStringLiteral("Cannot start reading the serial port"));
    } else {
        findTimer_.start();
        if (machine_->startProbing()) {
            pollTimer_.start();
            if (mode_ == Mode::bootLoader) {
                // START without a receiver answering: straight to the boot loader.
                machine_->onButton();
                if (machine_->state() == TransferState::ResetSent) {
                    const QString instruction = ports_.describe(machine_->currentPort()) +
                                                QStringLiteral(": switch the receiver on");
                    if (meter_)
                        meter_->line(instruction);
                    else
                        std::fprintf(stderr, "%s\n", qPrintable(instruction));
                }
            }
        }
        afterEvent();
    }
    if (!ended_)
        loop_.exec();
    shutdown();
    return code_;
}

void ConsoleTransfer::interrupt(int signalNumber) {
    if (ended_)
        return;
    const int code = exitSignalBase + signalNumber;
    const TransferState state = machine_->state();
    if (cancelCode_ == 0 && isBootExchange(state) && state != TransferState::ResetSent) {
        // The boot loader is in the middle of its exchange: tell it, as the window's Cancel
        // does, and wait for the receiver to restart.
        cancelCode_ = code;
        machine_->onButton();
        say(QStringLiteral("Cancelling: waiting for the receiver to restart (interrupt again "
                           "to stop waiting)"));
        afterEvent();
        return;
    }
    if (state == TransferState::Writing) {
        end(code, QStringLiteral("Stopped waiting: the receiver is still writing its flash, "
                                 "leave it switched on"));
        return;
    }
    // Stopped before the boot loader was sent the abort (or straight after the reset into it):
    // nothing tells it to give up, and it waits for blocks that never come.
    const bool resetSent = state != TransferState::ResetSent || mode_ != Mode::bootLoader;
    if (isBootExchange(state) && resetSent && !machine_->abortSent()) {
        end(code, QStringLiteral("Stopped before the receiver was told: it may be waiting in its "
                                 "boot loader. Repeat the download with flash --boot"));
        return;
    }
    end(code, QStringLiteral("Cancelled"));
}

void ConsoleTransfer::customEvent(QEvent* event) {
    takeOverPostedEvent(event);
    if (event->type() != WM_FRAME_RECEIVED) {
        QObject::customEvent(event);
        return;
    }
    const auto* frame = static_cast<TransferFrameEvent*>(event);
    machine_->onFrame(frame->code(), frame->payload());
    afterEvent();
}

void ConsoleTransfer::afterEvent() {
    if (ended_)
        return;
    const TransferState state = machine_->state();
    if (!receiverFound_ && isBootExchange(state) && state != TransferState::ResetSent) {
        receiverFound_ = true; // the boot loader has answered
        findTimer_.stop();
    }
    showProgress();
    // The machine's own verdict decides: 0 only for a transfer it saw through to the end.
    if (machine_->outcome() != TransferOutcome::running) {
        concludeOutcome();
        return;
    }
    if (closeRequested_) {
        end(exitFailed,
            lastStatus_.isEmpty() ? QStringLiteral("The transfer ended early") : lastStatus_);
        return;
    }
    if (bootPortMissing_) {
        end(exitUsage, QStringLiteral("No COM port has been used yet: name the receiver's port "
                                      "with --port"));
        return;
    }
    if (!receiverFound_ && state == TransferState::Detected) {
        onReceiverFound();
        return;
    }
    // The window goes on probing after these; a script is better told now.
    if (state == TransferState::Writing && lastStatus_ == flashFailed)
        end(exitFailed, lastStatus_);
    else if (state == TransferState::CancelWait && lastStatus_ == cancelNoAnswer)
        end(cancelCode_ != 0 ? cancelCode_ : exitFailed, lastStatus_);
}

void ConsoleTransfer::onReceiverFound() {
    receiverFound_ = true;
    findTimer_.stop();
    if (mode_ == Mode::probe) {
        end(exitDone);
        return;
    }
    machine_->onButton(); // START
    afterEvent();
}

void ConsoleTransfer::onFindTimeout() {
    if (ended_ || receiverFound_)
        return;
    const QString seconds = QString::number(double(findTimeout_.count()) / 1000.0);
    if (machine_->state() == TransferState::ResetSent) {
        end(exitNoReceiver,
            QStringLiteral("The receiver's boot loader did not answer within %1 s").arg(seconds));
        return;
    }
    const QString where = ports_.fixedPort() != 0 ? ports_.describe(ports_.fixedPort())
                                                  : QStringLiteral("COM1 to COM4");
    end(exitNoReceiver,
        QStringLiteral("No receiver answered on %1 within %2 s").arg(where, seconds));
}

void ConsoleTransfer::concludeOutcome() {
    const TransferOutcome outcome = machine_->outcome();
    if (outcome == TransferOutcome::succeeded) {
        end(exitDone);
        return;
    }
    if (outcome == TransferOutcome::cancelled && cancelCode_ != 0) {
        end(cancelCode_, lastStatus_);
        return;
    }
    // A message box's text says most; then the status the window would show.
    QString message = !errorMessage_.isEmpty() ? errorMessage_ : lastStatus_;
    if (outcome == TransferOutcome::refused && errorMessage_.isEmpty())
        message = QStringLiteral("The receiver refused the transfer...");
    if (message.isEmpty())
        message = QStringLiteral("The transfer ended early");
    // No port at all is a problem of this computer, not a missing receiver.
    if (portProblem_) {
        end(exitFailed, message);
        return;
    }
    end(receiverFound_ ? exitFailed : exitNoReceiver, message);
}

void ConsoleTransfer::showProgress() {
    if (!meter_)
        return;
    const TransferState state = machine_->state();
    const bool moving = state == TransferState::UploadReceiving ||
                        state == TransferState::DownloadSending ||
                        state == TransferState::BootSending;
    if (!moving && !dataClock_.isValid())
        return;
    const std::uint64_t total = machine_->length();
    // Only what the other side has verifiably taken: never more than was done.
    const std::uint64_t done = machine_->bytesMoved();
    if (!dataClock_.isValid())
        dataClock_.start();
    const QString label = machine_->kind() == TransferKind::channelUpload
                              ? QStringLiteral("Receiving ...")
                              : QStringLiteral("Sending ...");
    meter_->progress(label, done, total, double(dataClock_.nsecsElapsed()) / 1e9);
}

void ConsoleTransfer::end(int code, const QString& message) {
    if (ended_)
        return;
    ended_ = true;
    code_ = code;
    message_ = code == exitDone ? QString() : message;
    machine_->finish();
    if (meter_)
        meter_->close();
    loop_.quit();
}

void ConsoleTransfer::shutdown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    machine_->finish();
    pollTimer_.stop();
    findTimer_.stop();
    stopReadingAndClosePort(reader_, endpoint_);
    QCoreApplication::removePostedEvents(this, WM_FRAME_RECEIVED);
}

void ConsoleTransfer::say(const QString& text) {
    if (meter_)
        meter_->line(text);
}

// ---------------------------------------------------------------------------------------
// TransferView

void ConsoleTransfer::setCaption(const QString& text) {
    // The upload caption follows the clock while probing; the first one says enough.
    if (captionShown_ || mode_ == Mode::probe)
        return;
    captionShown_ = true;
    say(text);
}

void ConsoleTransfer::setStatus(const QString& text) {
    lastStatus_ = text;
    if (!meter_ || isProgressStatus(text))
        return;
    if (isPassingStatus(text)) {
        meter_->transient(text);
        return;
    }
    if (text == lastShown_)
        return;
    lastShown_ = text;
    meter_->line(text);
}

void ConsoleTransfer::showError(const QString& text) {
    if (!errorMessage_.isEmpty())
        return; // the first reason is the one that counts
    errorMessage_ = text;
    if (!receiverFound_) {
        // Only a port that would not open ends a transfer before the receiver answers: say
        // which and why, instead of the window's bare text. The boot-mode port is one port.
        portProblem_ = true;
        const bool chosenPort = text == QStringLiteral("COM port is not available...");
        const QString problems = ports_.openProblems(chosenPort ? machine_->currentPort() : 0);
        if (!problems.isEmpty())
            errorMessage_ = chosenPort ? problems : text + u' ' + problems;
    }
}

int ConsoleTransfer::saveUpload(std::span<const std::uint8_t> image) {
    // The save keeps the previous file as a numbered backup and replaces nothing without it.
    const UploadSaveResult result = saveUploadImage(image, uploadPath_);
    if (result != uploadSaved)
        showError(ctlUploadSaveMessage(result, uploadPath_));
    return result;
}

int ConsoleTransfer::readComPort() {
    return settings_.readComPort();
}

void ConsoleTransfer::writeComPort(int port) {
    // A device named by path has no COM number the window could use.
    if (ports_.usesProgramPorts())
        settings_.writeComPort(port);
}

int ConsoleTransfer::askBootModePort(int presetIndex) {
    if (ports_.fixedPort() != 0)
        return ports_.fixedPort() - 1;
    if (presetIndex >= 0 && presetIndex < serialPortCount)
        return presetIndex;
    bootPortMissing_ = true;
    return -1;
}

QString ctlUploadSaveMessage(UploadSaveResult result, const QString& path) {
    const QString text = uploadSaveMessage(result, path);
    // The window's own texts do not say which file; a script's log must.
    if (text.isEmpty() || text.contains(path))
        return text;
    return QStringLiteral("%1: %2").arg(path, text);
}
