#pragma once

#include "base/settings_store.h"

// The section "Names": "Charset", the IANA name of the character set channel names are shown
// and typed in (the channel editor's "Character set for names").
class NameSettings {
public:
    explicit NameSettings(SettingsStore store = SettingsStore()) : store_(std::move(store)) {}

    // The stored name, or defaultCharset when none is stored. Whether the name is one the
    // program offers is for the caller to decide.
    QString readCharset() const;
    void writeCharset(const QString& ianaName);

    static const QString sectionName;
    static const QString charsetName;
    static const QString defaultCharset;

private:
    SettingsStore store_;
};
