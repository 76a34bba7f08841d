#pragma once

// How a transfer came out, for whoever runs the machine (the window shows it in its status
// line; a command-line run can turn it into an exit status).
enum class TransferOutcome {
    running,     // not over yet
    succeeded,   // upload saved, download confirmed, or the flashed receiver answered again
    cancelled,   // the user cancelled, or the window closed before the end
    refused,     // the receiver or the data refused the transfer; nothing was sent or saved
    noAnswer,    // the receiver stopped answering; the transfer was given up
    unconfirmed, // every block went out but the receiver did not confirm the end
    failed,      // no port, or the received file could not be saved
};
