#pragma once

#include "base/last_settings.h"
#include "ctl/port_choice.h"
#include "ctl/progress_meter.h"
#include "firmware/firmware_check.h"
#include "link/transfer_endpoint.h"
#include "link/transfer_machine.h"
#include "link/transfer_view.h"
#include "link/upload_save.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>

class TransferReaderThread;

// Runs one transfer from the command line: the same state machine, link and reader thread as
// the transfer window, with the console in the window's place. START is pressed as soon as the
// receiver answers; statuses and progress go to the meter; the end of the transfer becomes an
// exit code (ExitCode) and, when it is not 0, a message.
//
// The exit code follows the machine's outcome: 0 only for `succeeded`; 3 when the transfer
// ended before any receiver or boot loader answered; 1 for every other ending, with the
// message box's text or else the status the window would show. A port that cannot be opened
// is 1 with the port and the reason. A firmware download also ends (1) at "Downloading is
// failed..." instead of waiting on as the window does. The progress shows only what the
// other side has verifiably taken.
class ConsoleTransfer : public QObject, private TransferView {
public:
    // `meter` may be null (--quiet). `settings` is the program's store, for the "Com" value.
    ConsoleTransfer(const TransferEndpointFactory& makeEndpoint, const PortChoice& ports,
                    LastSettings settings, std::unique_ptr<ProgressMeter> meter,
                    std::chrono::milliseconds findTimeout);
    ~ConsoleTransfer() override;

    // One of these before run(). Lent bytes must stay valid until run() has returned.
    void setProbe();
    void setFirmware(const FirmwareImage& firmware, bool throughBootLoader);
    bool setChannelDownload(std::span<const std::uint8_t> file);
    void setUpload(const QString& path);

    // Runs the transfer to its end; the exit code. The port is closed when it returns.
    int run();
    // An interrupting signal. During the boot loader's exchange the first one cancels as the
    // window's Cancel does (the receiver is told, and restarts); otherwise, or the second
    // time, the transfer stops at once: port closed, nothing saved.
    void interrupt(int signalNumber);

    // Why the run did not end with 0; empty after success.
    const QString& message() const { return message_; }
    const TransferMachine& machine() const { return *machine_; }

protected:
    void customEvent(QEvent* event) override;

private:
    enum class Mode { probe, transfer, bootLoader };

    void afterEvent();
    void onReceiverFound();
    void onFindTimeout();
    void concludeOutcome();
    void showProgress();
    void end(int code, const QString& message = {});
    void shutdown();
    void say(const QString& text);

    // TransferView
    void setCaption(const QString& text) override;
    void setStatus(const QString& text) override;
    void setButton(const QString&, bool) override {}
    void setButtonEnabled(bool) override {}
    void setTransferRange(int) override {}
    void setTransferPosition(int) override {}
    void setWriteRange(int) override {}
    void setWritePosition(int) override {}
    void hideWriteBar() override {}
    void showError(const QString& text) override;
    void requestClose() override { closeRequested_ = true; }
    void endWithCancel() override { closeRequested_ = true; }
    int saveUpload(std::span<const std::uint8_t> image) override;
    void clearChannelPath() override {}
    int readComPort() override;
    void writeComPort(int port) override;
    int askBootModePort(int presetIndex) override;

    PortChoice ports_;
    LastSettings settings_;
    std::unique_ptr<ProgressMeter> meter_;
    std::chrono::milliseconds findTimeout_;

    TransferFlags flags_;
    TransferEndpoint endpoint_;
    std::unique_ptr<TransferMachine> machine_;
    std::unique_ptr<TransferReaderThread> reader_;
    QTimer pollTimer_;
    QTimer findTimer_;
    QEventLoop loop_;
    QElapsedTimer dataClock_; // started when the first data block moves

    Mode mode_ = Mode::transfer;
    QString uploadPath_;
    bool receiverFound_ = false;
    bool closeRequested_ = false;
    bool bootPortMissing_ = false;
    bool portProblem_ = false; // a port would not open before any receiver answered
    bool captionShown_ = false;
    int cancelCode_ = 0; // the exit code of an interrupt that cancels through the boot loader
    QString lastStatus_;
    QString lastShown_;
    QString errorMessage_;

    bool ended_ = false;
    bool shutDown_ = false;
    int code_ = 0;
    QString message_;
};

// The save's message for the console: the window's texts with the path in front where they do
// not name it ("/data/list.cdf: Cannot create a file...").
QString ctlUploadSaveMessage(UploadSaveResult result, const QString& path);
