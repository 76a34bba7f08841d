#include "app/editor_app.h"
#include "app/main_dialog.h"
#include "tests/support/next_modal.h"
#include "tests/support/test_environment.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>

#include <csignal>

#include <gtest/gtest.h>

namespace {
LastSettings storeOfThisExecutable() {
    return LastSettings(SettingsStore(TestEnvironment::settingsFilePath()));
}
} // namespace

TEST(EditorApp, SettingsGoToTheStoreNamedAfterTheExecutable) {
    int argc = 1;
    char name[] = "rx7700";
    char* argv[] = {name, nullptr};
    EditorApp app(argc, argv);
    EXPECT_EQ(QCoreApplication::applicationName(),
              QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());

    app.writeFirmwarePath(QStringLiteral("/fw/a.bin"));
    app.writeChannelPath(QStringLiteral("/ch/b.cdf"));
    app.writeComPort(3);
    const LastSettings stored = storeOfThisExecutable();
    EXPECT_EQ(stored.readFirmwarePath(), QStringLiteral("/fw/a.bin"));
    EXPECT_EQ(stored.readChannelPath(), QStringLiteral("/ch/b.cdf"));
    EXPECT_EQ(stored.readComPort(), 3);
    EXPECT_EQ(app.readComPort(), 3);
    EXPECT_EQ(app.readFirmwarePath(), QStringLiteral("/fw/a.bin"));
    EXPECT_EQ(app.readChannelPath(), QStringLiteral("/ch/b.cdf"));
    EXPECT_TRUE(QFileInfo::exists(TestEnvironment::settingsFilePath()));
}

TEST(EditorApp, RunsTheMainWindowModallyUntilItCloses) {
    int argc = 1;
    char name[] = "rx7700";
    char* argv[] = {name, nullptr};
    EditorApp app(argc, argv);
    app.writeFirmwarePath(QString());
    app.writeChannelPath(QStringLiteral("/receiver/list.cdf"));
    QStringList uploads;
    app.handOver().runChannelUpload = [&](QWidget*, QString& path) {
        uploads << path;
        return QString();
    };

    QString title;
    QString channelField;
    onNextModal([&](QWidget* window) {
        auto* mainWindow = qobject_cast<MainDialog*>(window);
        ASSERT_NE(mainWindow, nullptr);
        title = mainWindow->windowTitle();
        channelField = mainWindow->findChild<QLineEdit*>(QStringLiteral("channelPath"))->text();
        mainWindow->uploadChannels();
    });
    EXPECT_EQ(app.run(), 0);
    EXPECT_EQ(title, QStringLiteral("RX7700  v3.0"));
    EXPECT_EQ(channelField, QStringLiteral("/receiver/list.cdf"));
    EXPECT_EQ(uploads, QStringList{QStringLiteral("/receiver/list.cdf")});
}

namespace {
// A window like the channel editor: its close handler ends it after its own questions but
// ignores the close event itself.
class SelfEndingWindow : public QDialog {
public:
    using QDialog::QDialog;
    // As the editor when the user cancels its question: it stays open.
    bool staysOpen = false;

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        if (!staysOpen)
            done(QDialog::Rejected);
    }
};
} // namespace

// Ctrl+C, kill or a closed terminal quit as closing the windows from the top does, never in
// the middle of whatever runs (each window may refuse, as a firmware download asks first).
TEST(EditorApp, TerminationSignalQuitsThroughTheWindows) {
    int argc = 1;
    char name[] = "rx7700";
    char* argv[] = {name, nullptr};
    EditorApp app(argc, argv);
    bool editorOpened = false;
    bool raised = false;
    bool forced = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* top = QApplication::activeModalWidget();
        if (!editorOpened && qobject_cast<MainDialog*>(top)) {
            editorOpened = true;
            // A window over the main window, as the editor runs.
            QTimer::singleShot(0, top, [top] {
                SelfEndingWindow editor(top);
                editor.setObjectName(QStringLiteral("editor"));
                editor.exec();
            });
        } else if (!raised && top && top->objectName() == QLatin1String("editor")) {
            raised = true;
            ::raise(SIGTERM);
        }
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        while (QWidget* window = QApplication::activeModalWidget()) {
            forced = true;
            window->hide();
        }
    });
    poll.start();
    watchdog.start(3000);
    EXPECT_EQ(app.run(), 0);
    EXPECT_TRUE(raised);
    EXPECT_FALSE(forced) << "the signal did not close both windows";
}

// The end of the desktop session (Windows asks before log-off and shut-down, and ends a
// program that does not refuse where it stands) lets the windows over the main window ask
// their questions: one that stays open refuses the end. The main window itself stays.
TEST(EditorApp, SessionEndClosesTheWindowsOverTheMainWindowOrRefuses) {
    for (const bool editorStaysOpen : {false, true}) {
        SCOPED_TRACE(editorStaysOpen ? "the editor stays open" : "the editor closes");
        QDialog mainWindow;
        bool mayEnd = !editorStaysOpen;
        QWidget* topAfterwards = nullptr;
        QWidget* editorWindow = nullptr;
        QTimer::singleShot(0, &mainWindow, [&] {
            SelfEndingWindow editor(&mainWindow);
            editorWindow = &editor;
            editor.staysOpen = editorStaysOpen;
            QTimer::singleShot(0, &editor, [&] {
                mayEnd = EditorApp::closeWindowsOver(&mainWindow);
                topAfterwards = QApplication::activeModalWidget();
                editor.hide();
            });
            editor.exec();
            mainWindow.hide();
        });
        mainWindow.exec();
        EXPECT_EQ(mayEnd, !editorStaysOpen);
        EXPECT_EQ(topAfterwards, editorStaysOpen ? editorWindow : &mainWindow);
    }
}
