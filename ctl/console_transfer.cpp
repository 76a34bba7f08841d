#include "ctl/console_transfer.h"

#include "ctl/exit_code.h"
#include "link/serial_device_map.h"
#include "link/transfer_reader_thread.h"
#include "link/upload_save.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <cstdio>

namespace {

constexpr int pollPeriodMs = 500;
constexpr std::uint64_t blockSize = 1024;

const QString exitText = QStringLiteral("Exit");
const QString uploadDone = QStringLiteral("Uploading is successful...");
const QString downloadDone = QStringLiteral("Downloading is successful...");
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
    end(code, QStringLiteral("Cancelled"));
}

void ConsoleTransfer::customEvent(QEvent* event) {
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
    if (closeRequested_) {
        concludeClose();
        return;
    }
    if (bootPortMissing_) {
        end(exitUsage, QStringLiteral("No COM port has been used yet: name the receiver's port "
                                      "with --port"));
        return;
    }
    const TransferState state = machine_->state();
    if (!receiverFound_) {
        if (state == TransferState::Detected) {
            onReceiverFound();
            return;
        }
        if (isBootExchange(state) && state != TransferState::ResetSent) {
            receiverFound_ = true; // the boot loader has answered
            findTimer_.stop();
        }
    }
    showProgress();
    switch (state) {
    case TransferState::Finished:
        if (cancelCode_ != 0)
            end(cancelCode_, lastStatus_);
        else
            end(exitDone);
        return;
    case TransferState::Writing:
        // The window goes on probing; a script is better told now.
        if (lastStatus_ == flashFailed)
            end(exitFailed, lastStatus_);
        return;
    case TransferState::CancelWait:
        if (lastStatus_ == cancelNoAnswer)
            end(cancelCode_ != 0 ? cancelCode_ : exitFailed, lastStatus_);
        return;
    default:
        break;
    }
    if (exitOffered_)
        end(exitFailed, lastStatus_); // the machine has given up on the transfer
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

void ConsoleTransfer::concludeClose() {
    if (!errorMessage_.isEmpty()) {
        end(errorCode_, errorMessage_);
        return;
    }
    if (lastStatus_ == uploadDone || lastStatus_ == downloadDone) {
        end(exitDone);
        return;
    }
    const TransferState state = machine_->state();
    if (state == TransferState::UploadRequested || state == TransferState::DownloadRequested) {
        end(exitFailed, QStringLiteral("The receiver refused the transfer..."));
        return;
    }
    end(exitFailed,
        lastStatus_.isEmpty() ? QStringLiteral("The transfer ended early") : lastStatus_);
}

void ConsoleTransfer::showProgress() {
    if (!meter_)
        return;
    const TransferState state = machine_->state();
    const std::uint64_t total = machine_->length();
    const std::int64_t block = machine_->block();
    std::uint64_t done = 0;
    switch (state) {
    case TransferState::UploadReceiving:
    case TransferState::DownloadSending:
        // `block` is the one asked for or on its way: those before it have arrived.
    case TransferState::BootSending:
        // `block` was just sent, at the boot loader's request for it.
        done = block > 0 ? std::uint64_t(block) * blockSize : 0;
        break;
    case TransferState::UploadEnding:
    case TransferState::DownloadEnding:
        done = total;
        break;
    case TransferState::Writing:
    case TransferState::CancelWait:
    case TransferState::Finished:
        if (!dataClock_.isValid())
            return;
        done = total;
        break;
    default:
        return;
    }
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

void ConsoleTransfer::setButton(const QString& text, bool enabled) {
    exitOffered_ = enabled && text == exitText;
}

void ConsoleTransfer::showError(const QString& text) {
    if (!errorMessage_.isEmpty())
        return; // the first reason is the one that counts
    errorMessage_ = text;
    errorCode_ = receiverFound_ ? exitFailed : exitNoReceiver;
}

int ConsoleTransfer::saveUpload(std::span<const std::uint8_t> image) {
    // The save keeps the previous file as NAME.cdf.bak and replaces nothing without it.
    const UploadSaveResult result = saveUploadImage(image, uploadPath_);
    if (result != uploadSaved)
        showError(uploadSaveMessage(result, uploadPath_));
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
