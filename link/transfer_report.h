#pragma once

#include "link/transfer_kind.h"
#include "link/transfer_outcome.h"

#include <QString>

#include <cstdint>
#include <span>

// How a channel transfer ended, as the main window tells it in one line once the transfer
// window has closed.
struct TransferReport {
    TransferKind kind = TransferKind::channelUpload;
    // `running` means the window was closed before the end: the user cancelled.
    TransferOutcome outcome = TransferOutcome::running;
    int port = 0;            // COM port the receiver last answered on; 0 when none did
    QString fileName;        // the Channel Data File, without its folder
    bool dataMoved = false;  // channel data had started to travel (blocks sent or received)
    bool saveFailed = false; // upload: received whole, but the file could not be written
    int programs = -1;       // upload saved: the programs in the file; -1 when it does not read
};

// The line for `report`, naming the file and the port; it says what became of the file or of
// the receiver's channel data, and what to do when the transfer did not go through.
QString transferResultLine(const TransferReport& report);

// The number of programs (TV and radio) in a Channel Data File held in memory; -1 when it does
// not read as one.
int channelProgramCount(std::span<const std::uint8_t> image);
