#pragma once

// How a transfer came out, for whoever runs the machine (the window shows it in its status
// line; a command-line run turns it into its exit status). Only `succeeded` means the whole
// job was verifiably done.
enum class TransferOutcome {
    running,      // not over yet
    succeeded,    // upload saved, download confirmed, or the flashed receiver answered again
    cancelled,    // the user cancelled, or the window closed before the end
    refused,      // the receiver or the data refused the transfer; nothing was sent or saved
    noAnswer,     // the receiver stopped answering; the transfer was given up
    unconfirmed,  // every block went across but the receiver did not confirm the end
    failed,       // no port, or the received file could not be saved
    incomplete,   // the boot loader ended before it had taken every block of the image
    rejected,     // the boot loader refused the same block again and again
    disconnected, // the port reported the line gone (cable or adapter unplugged)
    wrongVersion, // the flashed receiver restarted with a version other than the image's
};
