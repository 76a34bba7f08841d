#pragma once

#include <QString>

#include <memory>

class QSettings;

// The per-user settings store. On Windows it is the registry key
// HKEY_CURRENT_USER\Software\<seven spaces>\<executable base name> (QSettings' native format,
// settings_store_win32.cpp); elsewhere one small file in the user's configuration directory
// named after the executable's base name, so that a renamed executable starts with fresh
// settings. Values are read when asked for and written at once; failures are silent (a read
// gives the default, a write is dropped).
class SettingsStore {
public:
    // The store of the running executable.
    SettingsStore();
    // A store in an explicit file (tests, tools).
    explicit SettingsStore(QString filePath);
    // The store another program of this package keeps under `applicationName` (rx7700ctl
    // reads the ports and the last port of "rx7700").
    static SettingsStore ofApplication(const QString& applicationName);

    QString readText(const QString& section, const QString& name) const;
    void writeText(const QString& section, const QString& name, const QString& value);
    int readInteger(const QString& section, const QString& name, int fallback = 0) const;
    void writeInteger(const QString& section, const QString& name, int value);

    // Where the store of the running executable lives when it is a file.
    static QString defaultFilePath();
    // The file that an executable at `executablePath` keeps its settings in (platforms without
    // a registry): named after the executable's base name without its extension.
    static QString filePathFor(const QString& executablePath);
    // The application name: the executable's base name without its extension.
    static QString applicationNameFor(const QString& executablePath);

    // From now on every store of this process is a file in `directory`, the registry
    // included (test runs: no test may touch the user's settings). Call before any store is
    // made.
    static void keepStoresInDirectory(const QString& directory);

private:
    std::unique_ptr<QSettings> open() const;

    QString filePath_;        // empty: the platform's native store of applicationName_
    QString applicationName_; // for the native store
};
