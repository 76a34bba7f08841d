#pragma once

#include "app/main_dialog.h"
#include "base/last_settings.h"
#include "link/transfer_dialog.h"
#include "tests/e2e/modal_script.h"
#include "tests/e2e/simulated_receiver.h"
#include "widgets/message_box.h"

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

class QPushButton;

// The program's main window with the real transfer windows over the real serial port, and a
// simulated receiver on COM1. Messages and questions are recorded instead of shown.
class TransferEndToEnd : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    std::string stdPath(const char* name) const { return path(name).toStdString(); }

    // Starts the simulator; the test stops when it cannot.
    void startReceiver(std::vector<std::string> args);
    // Builds and shows the main window (after the settings it reads are in place).
    void openMainWindow();
    // Clicks a main-window button by object name; returns when its modal windows have closed.
    void clickMain(const char* objectName);
    // Types `text` over a main-window path field ("firmwarePath", "channelPath"), as the user
    // does before clicking a button (the click takes the focus and with it the typed path).
    void typeIntoMain(const char* fieldName, const QString& text);

    // The transfer window, while it is the active modal window.
    static TransferDialog* transferWindow();
    static bool statusIs(const QString& text);
    static bool statusStartsWith(const QString& text);
    static bool buttonIs(const QString& text, bool enabled);
    // Clicks the transfer window's button as the user would.
    static void clickTransferButton();
    // The first step of most scripts: wait until the simulated receiver answers, press START.
    static ModalScript& startOnceDetected(ModalScript& script);
    // True when the window is wide enough to show its whole caption in a bold title font
    // beside a title bar's icon and buttons.
    static bool captionHasRoom(const TransferDialog& window);
    // True while no transfer window is open.
    static bool transferWindowClosed() { return transferWindow() == nullptr; }

    // Records every status text and button text the transfer window shows while the script
    // runs (sampled every few milliseconds).
    void observeTransferWindow(ModalScript& script);
    bool sawStatus(const QString& text) const { return statuses.contains(text); }
    bool sawStatusStartingWith(const QString& text) const;

    // Processor time (user and system) this process has used so far, in seconds.
    static double processCpuSeconds();
    // Runs the event loop for `duration`; the share of one core the process used meanwhile.
    static double cpuShareWhileIdle(std::chrono::milliseconds duration);

    static QByteArray readFile(const QString& name);
    static bool writeFile(const QString& name, const QByteArray& bytes);

    std::vector<ShownMessage> messages;
    // Questions asked, each answered with `questionAnswer`.
    QStringList questions;
    MessageAnswer questionAnswer = MessageAnswer::yes;
    QStringList statuses;
    QStringList captions;
    QTemporaryDir dir;
    std::unique_ptr<SimulatedReceiver> receiver;
    LastSettings settings;
    MainDialogHandOver handOver;
    std::unique_ptr<MainDialog> mainWindow;
};

// Test data.
namespace e2e {
// A firmware file with an identification block (version d1.d2d3) of `size` bytes.
QByteArray firmwareFile(int size, std::uint8_t d1, std::uint8_t d2, std::uint8_t d3);
// A Channel Data File from the generator with `programs` programs.
QByteArray generatedChannelFile(int programs, std::uint32_t seed, std::uint8_t layout = 1);
} // namespace e2e
