#pragma once

// States of one transfer. The sign selects how the reader parses incoming bytes: frames of
// the receiver's application firmware above 0, single boot-loader bytes at 0 and below.
// There is no state -4.
enum class TransferState : int {
    Idle = 0,
    Probing = 1,
    Detected = 2,
    Writing = 3,
    CancelWait = 4,
    Finished = 5,
    ChannelRequested = 6,
    UploadRequested = 7,
    UploadReceiving = 8,
    UploadEnding = 9,
    DownloadRequested = 10,
    DownloadSending = 11,
    DownloadEnding = 12,
    ResetSent = -1,
    BootGreeted = -2,
    BootAccepted = -3,
    BootSending = -5,
};
