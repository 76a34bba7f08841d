#pragma once

#include "base/file_loading.h"
#include "firmware/identification_record.h"

#include <QString>

// The checks a file passes before it is handed to a transfer, shared by the main window and
// the command line: the file is opened (regular files only), checked, read whole into one
// buffer of its size, and the bytes read are checked again, so that what is sent is exactly
// the file that passed, also if it changed meanwhile.
enum class TransferFileResult {
    ok,
    cannotOpen,      // "Can't open the file"
    unreadable,      // "Can't read the file": too short for the check, or a short read
    invalidFirmware, // "Invalid firmware file"
    invalidChannels, // "Invalid channel data file"
    noBuffer,        // no buffer of the file's size could be obtained
};

// A firmware image file. `ident` receives the file's identification record as soon as the
// identification block has passed its check, even when reading the whole file then fails;
// otherwise it is left untouched.
TransferFileResult loadFirmwareForTransfer(const QString& path, LoadedFile& image,
                                           IdentificationRecord& ident);

// A Channel Data File for a download: header, body and end mark as the quick check wants them.
TransferFileResult loadChannelsForTransfer(const QString& path, LoadedFile& file);

// What the user is told; empty for ok and noBuffer (the window says nothing then).
QString transferFileMessage(TransferFileResult result);
