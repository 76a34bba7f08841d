#pragma once

#include "firmware/firmware_check.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <span>

class QWidget;

// The windows the main window runs modally above itself once a file has passed its checks and
// has been read: the transfer window for the three transfers and the channel editor. Each is
// given the main window as `owner` and returns when its window has closed. An entry left
// empty does nothing (and the editor's path then stays as it was).
struct MainDialogHandOver {
    // Firmware download. The image is the whole firmware file; it belongs to the main window
    // and stays valid and unchanged until the call returns.
    std::function<void(QWidget* owner, const FirmwareImage& image)> runFirmwareDownload;

    // Channel data download of the file at `path`. `file` is the whole Channel Data File, its
    // 14-byte header first; `bodyLength` is the file size minus 14. Owned by the main window as
    // above. Returns the one-line result the main window shows (empty: nothing to show).
    std::function<QString(QWidget* owner, std::span<const std::uint8_t> file,
                          std::uint32_t bodyLength, const QString& path)>
        runChannelDownload;

    // Channel data upload into the file at `channelPath` (which need not exist yet). When the
    // received file cannot be written the transfer empties `channelPath`; the main window's
    // path field keeps its text. Returns the one-line result as above.
    std::function<QString(QWidget* owner, QString& channelPath)> runChannelUpload;

    // The channel editor on the file at `channelPath`; returns the editor's file path after it
    // has closed (another one after Save As).
    std::function<QString(QWidget* owner, const QString& channelPath)> runChannelEditor;
};
