#pragma once

#include "app/main_dialog_hand_over.h"
#include "firmware/firmware_check.h"

#include <QDialog>
#include <QIcon>
#include <QString>

class LastSettings;
class QAction;
class QFile;
class QLabel;
class QLineEdit;
class QPushButton;

// The window the user works from: a Firmware box to pick a firmware file and download it into
// the receiver, and a Channel Data box to pick a Channel Data File and upload into it,
// download it or edit it. Files are checked and read here; what follows runs in the windows
// of `handOver`. The two paths are kept in the settings as they change.
class MainDialog : public QDialog {
    Q_OBJECT

public:
    // The command that opens the About box (from the window's menu or F1).
    static constexpr int aboutCommandId = 16;

    MainDialog(LastSettings& settings, MainDialogHandOver handOver = {}, QWidget* parent = nullptr);
    ~MainDialog() override;

    // Button and field handlers.
    void browseFirmware();
    void downloadFirmware();
    void browseChannelFile();
    void uploadChannels();
    void downloadChannels();
    void editChannels();
    void firmwarePathEdited();
    void channelPathEdited();
    // Runs the About box for `aboutCommandId`; false for any other command.
    bool onSystemCommand(int commandId);

    const QString& firmwarePath() const { return firmwarePath_; }
    const QString& channelPath() const { return channelPath_; }
    const IdentificationRecord& firmwareIdent() const { return firmwareIdent_; }
    QString firmwareStatus() const;
    // How the last channel transfer ended; empty before one and once another action starts.
    QString transferResult() const;

    // The text of the About entry in the window's menu.
    static QString aboutEntryText();

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void buildControls();
    // Short tooltips: what each control is for and, for the transfers, which way data goes.
    void describeControls();
    // Every action starts afresh: the last transfer's result line goes.
    void startAction();
    void showTransferResult(const QString& text);
    void onInit();
    void showFirmwareStatus(const QString& text);
    void showFirmwareCheckResult(FirmwareCheckResult result);
    // The check of a firmware file that only updates the status (no message box).
    void refreshFirmwareStatus();
    void showPathMenu(QLineEdit* field, const QPoint& position);
    // Runs the channel Browse when no channel path is set; false when there still is none.
    bool ensureChannelPath();
    // Opens and checks the channel file with its messages; false after a failure.
    bool openCheckedChannelFile(QFile& file);

    LastSettings& settings_;
    MainDialogHandOver handOver_;

    QString firmwarePath_;
    QString channelPath_;
    IdentificationRecord firmwareIdent_;
    QIcon icon_;

    QLineEdit* firmwarePathEdit_ = nullptr;
    QPushButton* firmwareBrowseButton_ = nullptr;
    QPushButton* firmwareDownloadButton_ = nullptr;
    QLineEdit* channelPathEdit_ = nullptr;
    QPushButton* channelBrowseButton_ = nullptr;
    QPushButton* uploadButton_ = nullptr;
    QPushButton* channelDownloadButton_ = nullptr;
    QPushButton* editButton_ = nullptr;
    QLabel* firmwareStatus_ = nullptr;
    QLabel* transferResult_ = nullptr;
    QAction* aboutAction_ = nullptr;
};
