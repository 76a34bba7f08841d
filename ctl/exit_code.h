#pragma once

// What rx7700ctl returns, for scripts that service receivers in a row.
enum ExitCode : int {
    exitDone = 0,
    exitFailed = 1,     // the transfer failed or was refused; the message says why
    exitUsage = 2,      // a bad command line
    exitNoReceiver = 3, // no receiver (or boot loader) answered within the time-out
    // An interrupting signal ends the program with 128 + its number (130 for Ctrl+C).
    exitSignalBase = 128,
};
