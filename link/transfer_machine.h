#pragma once

#include "firmware/firmware_check.h"
#include "firmware/identification_record.h"
#include "link/transfer_flags.h"
#include "link/transfer_kind.h"
#include "link/transfer_link.h"
#include "link/transfer_outcome.h"
#include "link/transfer_state.h"
#include "link/transfer_view.h"
#include "link/upload_buffer.h"

#include <QDateTime>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

// Runs one transfer with the receiver: finds it on COM1 to COM4, identifies it, and on START
// sends a firmware image through the boot loader and follows the flash writing, or moves the
// channel data to or from the receiver block by block, re-sending lost blocks. It is driven
// by three events on the window thread: a received frame or boot byte, the 500 ms poll tick
// and the window's button. It talks to the window only through TransferView and to the
// receiver only through TransferLink, so it can be stepped event by event without either.
class TransferMachine {
public:
    using Clock = std::function<QDateTime()>; // the current time in UTC

    TransferMachine(TransferView& view, TransferLink& link, TransferFlags& flags);

    // What the main window hands over, one of the three before the window starts.
    // The lent bytes must stay valid and unchanged until the window has closed.
    void setFirmware(const FirmwareImage& firmware);
    // The whole Channel Data File; false (and nothing set) when it is shorter than a header or
    // its body has more blocks than a 16-bit block number can count.
    bool setChannelDownload(std::span<const std::uint8_t> file);
    void setChannelUpload();

    void setClock(Clock clock) { clock_ = std::move(clock); }
    // The Channel Data File's name, shown in the caption of a channel transfer.
    void setFileName(const QString& name) { fileName_ = name; }

    // Window start, first half: caption and bars for the kind of transfer.
    void showKind();
    // Window start, second half: the first port scan, then probing. False when no port
    // could be opened (the user has been told and the window asked to close); true when the
    // poll timer should start.
    bool startProbing();
    // Shows the current UTC time in the caption of an upload and keeps it for the header.
    void refreshUploadTitle();

    void onFrame(std::uint8_t code, std::span<const std::uint8_t> payload);
    void onTick();
    void onButton();

    // The window is closing: every later event is ignored.
    void finish() { finished_ = true; }

    TransferKind kind() const { return kind_; }
    TransferOutcome outcome() const { return outcome_; }
    TransferState state() const { return state_; }
    bool finished() const { return finished_; }
    int block() const { return block_; }
    // Bytes of the data the other side has verifiably taken (an upload's bytes stored, a
    // download's bytes acknowledged, the image's blocks the boot loader asked past): what a
    // progress display may claim, never more.
    std::uint64_t bytesMoved() const { return bytesMoved_; }
    int lastSeenBlock() const { return lastSeenBlock_; }
    unsigned tickCount() const { return tickCount_; }
    bool cancelRequested() const { return cancelRequested_; }
    // The boot loader has been sent the abort that Cancel asks for.
    bool abortSent() const { return bootAborts_ > 0; }
    int currentPort() const { return currentPort_; }
    int firstOpenedPort() const { return firstOpenedPort_; }
    int detectedPort() const { return detectedPort_; }
    std::uint32_t length() const { return length_; }
    const IdentificationRecord& receiverIdent() const { return receiverIdent_; }
    std::uint8_t layout() const { return layout_; }
    std::uint8_t headerFlags() const { return headerFlags_; }
    const CdfTimestamp& savedTime() const { return saved_; }
    // The upload received so far; null before an upload has started.
    const UploadBuffer* uploadBuffer() const { return upload_.get(); }

private:
    void setState(TransferState state);
    bool isChannelTransfer() const { return kind_ != TransferKind::firmwareDownload; }
    // Tells the user, then asks the window to close; nothing more happens afterwards.
    void failAndClose(const QString& message);
    void closeWindow();
    void endWindow();

    // Detection.
    bool scanPorts();
    void probe();
    void onIdentified(std::span<const std::uint8_t> payload);
    void onStart();
    void runBootModePrompt();

    // Firmware through the boot loader, flash writing and restart.
    void onBootByte(std::uint8_t code, std::span<const std::uint8_t> payload);
    void sendNextBootBlock();
    void sendBootAbort();
    void onBootDone();
    void onBootRepeat();
    void restartGreeting(std::uint8_t code);
    int bootBlockCount() const;
    void enterWriting();
    void onWritingTick();
    void onCancelWaitTick();
    void onRestarted(std::span<const std::uint8_t> payload);

    // Channel data.
    void onChannelOpen(std::span<const std::uint8_t> payload);
    void onUploadStart(std::span<const std::uint8_t> payload);
    void onUploadBlock(std::span<const std::uint8_t> payload);
    void onUploadEnd();
    void onDownloadStart(std::span<const std::uint8_t> payload);
    void onDownloadBlockAck(std::span<const std::uint8_t> payload);
    void onDownloadEnd();
    void sendUploadRequest(int block);
    void sendDownloadBlock(int block);
    bool sameBodyFormat(std::span<const std::uint8_t> payload) const;

    // Waiting for a reply: counts the tick, re-sends the request where that is harmless and
    // gives up once the receiver has been quiet for too long.
    void waitForReply(int resendCode, unsigned tickLimit);
    void stopWaiting();
    void onLineLost();
    void saveUnconfirmedUpload();
    // Ends the transfer where it stands: the port is closed, `text` shown, the button reads
    // "Exit", and nothing that still comes in is taken.
    void giveUp(TransferOutcome outcome, const QString& text);
    void progress() { quietTicks_ = 0; }

    TransferView& view_;
    TransferLink& link_;
    TransferFlags& flags_;
    Clock clock_;
    QString fileName_;

    TransferKind kind_{};
    TransferState state_ = TransferState::Idle;
    bool finished_ = false;
    std::span<const std::uint8_t> data_; // firmware image, or the whole Channel Data File
    std::uint32_t length_ = 0;           // image length, or body length
    IdentificationRecord firmwareIdent_;
    IdentificationRecord receiverIdent_;
    std::uint8_t layout_ = 0;
    std::uint8_t headerFlags_ = 0;
    CdfTimestamp saved_;
    int block_ = 0;
    int lastSeenBlock_ = -1;
    int bootRepeats_ = 0; // BL_REPEAT in a row for the current boot block
    int bootAborts_ = 0;  // CMD_BOOT_ABORT frames sent after Cancel
    std::uint64_t bytesMoved_ = 0;
    unsigned quietTicks_ = 0;       // ticks since the last reply that moved the transfer on
    bool bootModePrompted_ = false; // the boot loader was reached through the boot-mode prompt
    TransferOutcome outcome_ = TransferOutcome::running;
    bool cancelRequested_ = false;
    unsigned tickCount_ = 0;
    int currentPort_ = 0;
    int firstOpenedPort_ = 0;
    int detectedPort_ = 0;
    std::unique_ptr<UploadBuffer> upload_;
};
