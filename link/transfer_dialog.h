#pragma once

#include "firmware/firmware_check.h"
#include "link/transfer_endpoint.h"
#include "link/transfer_machine.h"
#include "link/transfer_report.h"
#include "link/transfer_view.h"
#include "link/upload_save.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class BootModeDialog;
class QLabel;
class QProgressBar;
class QPushButton;
class TransferReaderThread;

// The modal progress window of one transfer: a status line, the transfer bar, the write bar
// and one button (START, then Cancel, then Exit). It owns the link, the reader thread and the
// 500 ms poll timer, and feeds their events to the transfer state machine.
class TransferDialog : public QDialog, private TransferView {
    Q_OBJECT

public:
    explicit TransferDialog(const TransferEndpointFactory& makeEndpoint, QWidget* parent = nullptr);
    ~TransferDialog() override;

    // What the opener hands in before showing the window. The lent bytes and the path must
    // outlive the window and stay unchanged while it is open.
    void setFirmware(const FirmwareImage& firmware);
    // The whole Channel Data File, header included, read from `path` (named in the caption
    // and the report); false when shorter than a header.
    bool setChannelDownload(std::span<const std::uint8_t> file, const QString& path = {});
    // The received file is written to `channelPath`, which is emptied when that fails.
    void setUpload(QString& channelPath);
    void setUploadWriter(UploadFileWriter writer) { writer_ = std::move(writer); }

    // The poll timer's handler.
    void tick();

    // How a channel transfer ended, once the window has closed.
    TransferReport report() const;

    TransferMachine& machine() { return *machine_; }
    const QTimer& pollTimer() const { return pollTimer_; }
    bool isReaderRunning() const;
    QLabel* statusLine() const { return status_; }
    QPushButton* button() const { return button_; }
    QProgressBar* transferBar() const { return transferBar_; }
    QProgressBar* writeBar() const { return writeBar_; }

public slots:
    void done(int result) override;
    // Escape, the close box and closing from outside (quitting the program) come here. During
    // a firmware download through the boot loader the window asks first and then stops the
    // download as Cancel does, staying open until the receiver has restarted.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void customEvent(QEvent* event) override;

private:
    void startTransfer();
    void onButtonClicked();
    // After every event the machine handled: what the report needs to know.
    void noteProgress();
    // True when closing has to wait: the user was asked and the download goes on or stops
    // as Cancel does.
    bool keepOpenForFirmware();
    void shutdown();
    void widenForCaption(const QString& caption);

    // TransferView
    void setCaption(const QString& text) override;
    void setStatus(const QString& text) override;
    void setButton(const QString& text, bool enabled) override;
    void setButtonEnabled(bool enabled) override;
    void setTransferRange(int maximum) override;
    void setTransferPosition(int position) override;
    void setWriteRange(int maximum) override;
    void setWritePosition(int position) override;
    void hideWriteBar() override;
    void showError(const QString& text) override;
    void requestClose() override;
    void endWithCancel() override;
    int saveUpload(std::span<const std::uint8_t> image) override;
    void clearChannelPath() override;
    int readComPort() override;
    void writeComPort(int port) override;
    int askBootModePort(int presetIndex) override;

    QLabel* status_;
    QProgressBar* transferBar_;
    QProgressBar* writeBar_;
    QPushButton* button_;

    TransferFlags flags_;
    TransferEndpoint endpoint_;
    std::unique_ptr<TransferMachine> machine_;
    std::unique_ptr<TransferReaderThread> reader_;
    QTimer pollTimer_;
    QString* channelPath_ = nullptr;
    UploadFileWriter writer_ = writeUploadFile;
    QPointer<BootModeDialog> prompt_;
    bool started_ = false;
    bool shutDown_ = false;
    bool bootModePrompted_ = false; // the boot loader is reached through the boot-mode prompt
    QString fileName_;
    int reportPort_ = 0;
    bool dataMoved_ = false;
    bool saveFailed_ = false;
    int uploadedPrograms_ = -1;
};
