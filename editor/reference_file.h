#pragma once

// Another Channel Data File to compare the channel lists with, asked for with the file dialog.

#include "channels/channel_database.h"

#include <QString>

#include <optional>

class QWidget;

struct ReferenceFile {
    QString path;
    ChannelDatabase channels;
};

// Asks for a Channel Data File and reads it. Nothing when the user cancels or the file cannot
// be read (the reader's message has been shown then).
std::optional<ReferenceFile> readReferenceFile(QWidget* parent);
