#include "link/transfer_dialog.h"

#include "base/last_settings.h"
#include "link/boot_mode_dialog.h"
#include "link/event_hand_over.h"
#include "link/transfer_reader_thread.h"
#include "widgets/dialog_units.h"
#include "widgets/message_box.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>

namespace {
constexpr int pollPeriodMs = 500;

const QString stopFirmwareQuestion =
    QStringLiteral("Stop the firmware download? The receiver restarts with its old firmware, "
                   "which takes a few minutes...");

// The receiver's boot loader is taking the image: leaving now would leave it waiting for
// blocks that never come.
bool inBootLoader(TransferState state) {
    return state == TransferState::ResetSent || state == TransferState::BootGreeted ||
           state == TransferState::BootAccepted || state == TransferState::BootSending;
}

bool channelDataTravelling(TransferState state) {
    return state == TransferState::UploadReceiving || state == TransferState::UploadEnding ||
           state == TransferState::DownloadSending || state == TransferState::DownloadEnding;
}

bool channelTransferRunning(TransferState state) {
    return int(state) >= int(TransferState::ChannelRequested);
}

QProgressBar* makeBar(QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setTextVisible(false);
    bar->setRange(0, 100);
    bar->setValue(0);
    return bar;
}
} // namespace

TransferDialog::TransferDialog(const TransferEndpointFactory& makeEndpoint, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      status_(new QLabel(this)), transferBar_(makeBar(this)), writeBar_(makeBar(this)),
      button_(new QPushButton(QStringLiteral("START"), this)), endpoint_(makeEndpoint(flags_)) {
    Q_ASSERT(endpoint_.link && endpoint_.source);
    machine_ = std::make_unique<TransferMachine>(static_cast<TransferView&>(*this), *endpoint_.link,
                                                 flags_);

    const DialogUnits units(font());
    setFixedSize(units.size(202, 81));
    status_->setAlignment(Qt::AlignCenter);
    status_->setWordWrap(true); // the line is two text lines high; a wide font may need both
    units.place(status_, 18, 13, 166, 16);
    units.place(transferBar_, 18, 36, 166, 7);
    units.place(writeBar_, 18, 47, 166, 7);
    units.place(button_, 76, 60, 50, 14);
    button_->setDefault(true);
    button_->setEnabled(false);
    connect(button_, &QPushButton::clicked, this, &TransferDialog::onButtonClicked);

    pollTimer_.setInterval(pollPeriodMs);
    connect(&pollTimer_, &QTimer::timeout, this, &TransferDialog::tick);
}

TransferDialog::~TransferDialog() {
    shutdown();
}

void TransferDialog::setFirmware(const FirmwareImage& firmware) {
    machine_->setFirmware(firmware);
}

bool TransferDialog::setChannelDownload(std::span<const std::uint8_t> file, const QString& path) {
    fileName_ = QFileInfo(path).fileName();
    machine_->setFileName(fileName_);
    return machine_->setChannelDownload(file);
}

void TransferDialog::setUpload(QString& channelPath) {
    channelPath_ = &channelPath;
    fileName_ = QFileInfo(channelPath).fileName();
    machine_->setFileName(fileName_);
    machine_->setChannelUpload();
}

TransferReport TransferDialog::report() const {
    TransferReport report;
    report.kind = machine_->kind();
    report.outcome = machine_->outcome();
    report.port = reportPort_;
    report.fileName = fileName_;
    report.dataMoved = dataMoved_;
    report.saveFailed = saveFailed_;
    report.programs = uploadedPrograms_;
    return report;
}

bool TransferDialog::isReaderRunning() const {
    return reader_ && reader_->isRunning();
}

void TransferDialog::tick() {
    machine_->onTick();
    noteProgress();
}

void TransferDialog::onButtonClicked() {
    const bool isChannelTransfer = machine_->kind() != TransferKind::firmwareDownload;
    if (isChannelTransfer && !machine_->finished() && channelTransferRunning(machine_->state())) {
        // The button reads Cancel: it stops as closing the window does.
        done(QDialog::Rejected);
        return;
    }
    machine_->onButton();
    noteProgress();
    if (isChannelTransfer && !machine_->finished() && channelTransferRunning(machine_->state()))
        setButton(QStringLiteral("Cancel"), true);
}

void TransferDialog::noteProgress() {
    if (machine_->detectedPort() != 0)
        reportPort_ = machine_->detectedPort();
    if (channelDataTravelling(machine_->state()))
        dataMoved_ = true;
}

void TransferDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_ || event->spontaneous())
        return;
    started_ = true;
    machine_->showKind();
    // The rest runs once the window is up, so that a failure message has a visible owner.
    QTimer::singleShot(0, this, &TransferDialog::startTransfer);
}

void TransferDialog::startTransfer() {
    if (shutDown_)
        return;
    reader_ = std::make_unique<TransferReaderThread>(*endpoint_.source, *this);
    if (!reader_->startReading()) {
        reader_.reset();
        machine_->finish();
        requestClose();
        return;
    }
    if (machine_->startProbing())
        pollTimer_.start();
}

void TransferDialog::customEvent(QEvent* event) {
    takeOverPostedEvent(event);
    if (event->type() != WM_FRAME_RECEIVED) {
        QDialog::customEvent(event);
        return;
    }
    const auto* frame = static_cast<TransferFrameEvent*>(event);
    machine_->onFrame(frame->code(), frame->payload());
    noteProgress();
}

void TransferDialog::done(int result) {
    shutdown();
    QDialog::done(result);
}

void TransferDialog::reject() {
    if (keepOpenForFirmware())
        return;
    QDialog::reject();
}

bool TransferDialog::keepOpenForFirmware() {
    if (shutDown_ || machine_->finished() || machine_->kind() != TransferKind::firmwareDownload ||
        !inBootLoader(machine_->state()))
        return false;
    // Through the boot-mode prompt, before the boot loader has spoken, nothing has been sent
    // and the receiver may not even be on: the window just closes.
    if (bootModePrompted_ && machine_->state() == TransferState::ResetSent)
        return false;
    // Already stopping as Cancel asked: Exit comes once the receiver is back.
    if (machine_->cancelRequested())
        return true;
    const bool stop = askYesNo(this, stopFirmwareQuestion) == MessageAnswer::yes;
    // The download went on while the question was open; it may have left the boot loader.
    if (stop && !machine_->finished() && inBootLoader(machine_->state()) &&
        !machine_->cancelRequested()) {
        machine_->onButton(); // exactly what Cancel does
        noteProgress();
    }
    return true;
}

void TransferDialog::shutdown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    machine_->finish();
    if (prompt_)
        prompt_->reject();
    pollTimer_.stop();
    stopReadingAndClosePort(reader_, endpoint_);
    QCoreApplication::removePostedEvents(this, WM_FRAME_RECEIVED);
}

// ---------------------------------------------------------------------------------------
// TransferView

void TransferDialog::setCaption(const QString& text) {
    setWindowTitle(text);
    widenForCaption(text);
}

void TransferDialog::widenForCaption(const QString& caption) {
    // The template was laid out for a narrow title font; the date and time at the end of a
    // channel transfer's caption would be cut off in most title bars. The window grows (never
    // shrinks) to leave the caption room beside the icon and the title-bar buttons, and its
    // controls stay centred.
    QFont titleFont = font();
    titleFont.setBold(true);
    // Title bars centre the caption between the icon and the buttons, so the room for the
    // buttons counts on both sides.
    const int decorations = 8 * QFontMetrics(font()).height();
    const int needed = QFontMetrics(titleFont).horizontalAdvance(caption) + decorations;
    if (needed <= width())
        return;
    const int extra = needed - width();
    setFixedSize(needed, height());
    for (QWidget* control : {static_cast<QWidget*>(status_), static_cast<QWidget*>(transferBar_),
                             static_cast<QWidget*>(writeBar_), static_cast<QWidget*>(button_)})
        control->move(control->x() + extra / 2, control->y());
}

void TransferDialog::setStatus(const QString& text) {
    status_->setText(text);
}

void TransferDialog::setButton(const QString& text, bool enabled) {
    button_->setText(text);
    button_->setEnabled(enabled);
}

void TransferDialog::setButtonEnabled(bool enabled) {
    button_->setEnabled(enabled);
}

void TransferDialog::setTransferRange(int maximum) {
    transferBar_->setRange(0, maximum);
}

void TransferDialog::setTransferPosition(int position) {
    transferBar_->setValue(position);
}

void TransferDialog::setWriteRange(int maximum) {
    writeBar_->setRange(0, maximum);
}

void TransferDialog::setWritePosition(int position) {
    writeBar_->setValue(position);
}

void TransferDialog::hideWriteBar() {
    writeBar_->hide();
}

void TransferDialog::showError(const QString& text) {
    showMessage(this, text, MessageIcon::stop);
}

void TransferDialog::requestClose() {
    QMetaObject::invokeMethod(
        this, [this] { close(); }, Qt::QueuedConnection);
}

void TransferDialog::endWithCancel() {
    done(QDialog::Rejected);
}

int TransferDialog::saveUpload(std::span<const std::uint8_t> image) {
    const QString path = channelPath_ ? *channelPath_ : QString();
    const UploadSaveResult result = saveUploadImage(image, path, writer_);
    if (result != uploadSaved) {
        saveFailed_ = true;
        showMessage(this, uploadSaveMessage(result, path), MessageIcon::stop);
    } else {
        uploadedPrograms_ = channelProgramCount(image);
    }
    return result;
}

void TransferDialog::clearChannelPath() {
    if (channelPath_)
        channelPath_->clear();
}

int TransferDialog::readComPort() {
    return LastSettings().readComPort();
}

void TransferDialog::writeComPort(int port) {
    LastSettings().writeComPort(port);
}

int TransferDialog::askBootModePort(int presetIndex) {
    BootModeDialog prompt(this);
    prompt.setPortIndex(presetIndex);
    prompt_ = &prompt;
    const int result = prompt.exec();
    prompt_ = nullptr;
    if (result != QDialog::Accepted)
        return -1;
    bootModePrompted_ = true;
    return prompt.portIndex();
}
