#pragma once

#include "firmware/firmware_check.h"
#include "link/transfer_endpoint.h"
#include "link/transfer_machine.h"
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
    // The whole Channel Data File, header included; false when shorter than a header.
    bool setChannelDownload(std::span<const std::uint8_t> file);
    // The received file is written to `channelPath`, which is emptied when that fails.
    void setUpload(QString& channelPath);
    void setUploadWriter(UploadFileWriter writer) { writer_ = std::move(writer); }

    // The poll timer's handler.
    void tick();

    TransferMachine& machine() { return *machine_; }
    const QTimer& pollTimer() const { return pollTimer_; }
    bool isReaderRunning() const;
    QLabel* statusLine() const { return status_; }
    QPushButton* button() const { return button_; }
    QProgressBar* transferBar() const { return transferBar_; }
    QProgressBar* writeBar() const { return writeBar_; }

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void customEvent(QEvent* event) override;

private:
    void startTransfer();
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
};
