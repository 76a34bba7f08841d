#pragma once

#include "app/main_dialog_hand_over.h"
#include "base/last_settings.h"

#include <memory>

class QApplication;
class QWidget;

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

    // Runs the main window until it closes; the program's exit code. SIGINT, SIGTERM and
    // SIGHUP (Ctrl+C, kill, a closed terminal or session) quit as `quit` does. At the end of
    // the desktop session (Windows' log-off and shut-down) the windows over the main window
    // close as `closeWindowsOver` does; while one stays, the program refuses the session's end.
    int run();

    // Quits the program as the user would: closes the windows from the top down. A window that
    // refuses to close (a firmware download asks first, an editor with changes may) keeps the
    // program running.
    static void quit();

    // Closes the modal windows from the top down to `bottom` (left open; null: all of them).
    // False when a window refused to close, which then stays the top window.
    static bool closeWindowsOver(const QWidget* bottom);

private:
    std::unique_ptr<QApplication> toolkit_;
    std::unique_ptr<LastSettings> settings_;
    MainDialogHandOver handOver_;
};
