#pragma once

#include <QString>

// The per-user settings store. On Windows it is the registry key
// HKEY_CURRENT_USER\Software\<seven spaces>\<executable base name>; elsewhere one small file
// in the user's configuration directory named after the executable's base name, so that a
// renamed executable starts with fresh settings. Values are read when asked for and written
// at once; failures are silent (a read gives the default, a write is dropped).
class SettingsStore {
public:
    // The store of the running executable.
    SettingsStore();
    // A store in an explicit file (tests, tools).
    explicit SettingsStore(QString filePath);

    QString readText(const QString& section, const QString& name) const;
    void writeText(const QString& section, const QString& name, const QString& value);
    int readInteger(const QString& section, const QString& name, int fallback = 0) const;
    void writeInteger(const QString& section, const QString& name, int value);

    // Where the store of the running executable lives on this platform.
    static QString defaultFilePath();
    // The file that an executable at `executablePath` keeps its settings in (platforms without
    // a registry): named after the executable's base name without its extension.
    static QString filePathFor(const QString& executablePath);
    // The application name: the executable's base name without its extension.
    static QString applicationNameFor(const QString& executablePath);

private:
    QString filePath_; // empty: the platform's native store
};
