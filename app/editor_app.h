#pragma once

#include "base/last_settings.h"
#include "app/main_dialog_hand_over.h"

#include <memory>

class QApplication;

// The application object: prepares the toolkit, fixes where the settings live (named after
// the executable, so a renamed executable starts with fresh settings), and runs the main
// window modally; the program ends when it closes. Every setting is written when it changes;
// nothing is saved at exit.
class EditorApp {
public:
    // Starts the toolkit unless one is already running (as in tests).
    EditorApp(int& argc, char** argv);
    ~EditorApp();

    EditorApp(const EditorApp&) = delete;
    EditorApp& operator=(const EditorApp&) = delete;

    // The section "Last settings".
    QString readFirmwarePath() const { return settings_->readFirmwarePath(); }
    void writeFirmwarePath(const QString& path) { settings_->writeFirmwarePath(path); }
    QString readChannelPath() const { return settings_->readChannelPath(); }
    void writeChannelPath(const QString& path) { settings_->writeChannelPath(path); }
    int readComPort() const { return settings_->readComPort(); }
    void writeComPort(int port) { settings_->writeComPort(port); }

    LastSettings& settings() { return *settings_; }

    // Where the main window hands over to the transfer window and the channel editor.
    MainDialogHandOver& handOver() { return handOver_; }

    // Runs the main window until it closes; the program's exit code.
    int run();

private:
    std::unique_ptr<QApplication> toolkit_;
    std::unique_ptr<LastSettings> settings_;
    MainDialogHandOver handOver_;
};
