#pragma once

#include "base/settings_store.h"

// The section "Last settings": the last firmware path, the last channel data path and the
// last COM port (0 when none has been used yet).
class LastSettings {
public:
    explicit LastSettings(SettingsStore store = SettingsStore()) : store_(std::move(store)) {}

    QString readFirmwarePath() const;
    void writeFirmwarePath(const QString& path);
    QString readChannelPath() const;
    void writeChannelPath(const QString& path);
    int readComPort() const;
    void writeComPort(int port);

    SettingsStore& store() { return store_; }
    const SettingsStore& store() const { return store_; }

    static const QString sectionName;
    static const QString firmwareName;
    static const QString channelsName;
    static const QString comName;

private:
    SettingsStore store_;
};
