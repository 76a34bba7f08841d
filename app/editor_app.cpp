#include "app/editor_app.h"

#include "app/main_dialog.h"
#include "base/settings_store.h"
#include "ctl/interrupt_signals.h"
#include "resources/app_icon.h"

#include <QApplication>
#include <QSessionManager>

EditorApp::EditorApp(int& argc, char** argv) {
    if (!QCoreApplication::instance())
        toolkit_ = std::make_unique<QApplication>(argc, argv);
    // The program has no title of its own: it goes by its executable's name, in message box
    // captions as in the settings location.
    QCoreApplication::setApplicationName(
        SettingsStore::applicationNameFor(QCoreApplication::applicationFilePath()));
    QApplication::setWindowIcon(applicationIcon());
    settings_ = std::make_unique<LastSettings>(SettingsStore());
}

EditorApp::~EditorApp() = default;

int EditorApp::run() {
    MainDialog mainWindow(*settings_, handOver_);
    // A signal must not end the program in the middle of a transfer: a receiver left in its
    // boot loader would wait for blocks that never come.
    const InterruptSignals interrupts([](int) { quit(); });
    // Windows gives a window program no signal at log-off or shut-down: it only asks first,
    // and a program that does not refuse is ended where it stands, with unsaved edits or in
    // the middle of a firmware download. Let the windows over the main window ask their
    // questions, and refuse while one stays open (the user kept the edits, a transfer runs).
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &mainWindow,
                     [&mainWindow](QSessionManager& session) {
                         // Until this is called, Windows keeps the user's input from the
                         // questions the windows ask.
                         if (!session.allowsInteraction() || !closeWindowsOver(&mainWindow))
                             session.cancel();
                     });
    mainWindow.exec();
    return 0;
}

void EditorApp::quit() {
    closeWindowsOver(nullptr);
}

bool EditorApp::closeWindowsOver(const QWidget* bottom) {
    // A window may end itself from its close handler and still ignore the event (the editor
    // does, after its own questions), so what counts is whether it is still the top window.
    while (QWidget* window = QApplication::activeModalWidget()) {
        if (window == bottom)
            return true;
        window->close();
        if (QApplication::activeModalWidget() == window)
            return false; // it refused: the program goes on
    }
    return true;
}
