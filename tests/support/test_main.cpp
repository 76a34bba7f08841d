// Test entry point shared by every test binary. RX_TEST_GUI selects a QApplication on the
// offscreen platform, otherwise a QCoreApplication.
#include "tests/support/test_environment.h"

#include "base/settings_store.h"

#include <QDir>
#include <QTemporaryDir>

#ifdef RX_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <gtest/gtest.h>

#include <memory>

namespace {
std::unique_ptr<QTemporaryDir>& rootDir() {
    static std::unique_ptr<QTemporaryDir> dir;
    return dir;
}
} // namespace

QString TestEnvironment::root() {
    return rootDir()->path();
}

QString TestEnvironment::settingsFilePath() {
    return SettingsStore::defaultFilePath();
}

int main(int argc, char** argv) {
    rootDir() = std::make_unique<QTemporaryDir>();
    if (!rootDir()->isValid())
        return 2;
    const QByteArray root = rootDir()->path().toLocal8Bit();
    for (const char* sub : {"config", "runtime", "home", "cache", "data"})
        QDir(rootDir()->path()).mkpath(QString::fromLatin1(sub));
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
    qputenv("XDG_CACHE_HOME", root + "/cache");
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("HOME", root + "/home");
    QFile::setPermissions(rootDir()->path() + "/runtime",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
#ifdef RX_TEST_GUI
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    // Every store is a file here, the registry's included (Windows).
    SettingsStore::keepStoresInDirectory(rootDir()->path() + QStringLiteral("/config"));
    ::testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    // No test may ever open a real serial port: every COM port points at a path that does
    // not exist until a test routes it to a pseudo-terminal.
    SettingsStore settings;
    for (int port = 1; port <= 4; ++port)
        settings.writeText(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(port),
                           rootDir()->path() + QStringLiteral("/no-serial-port-%1").arg(port));
    const int result = RUN_ALL_TESTS();
    rootDir().reset();
    return result;
}
