#pragma once

#include "link/transfer_flags.h"
#include "link/transfer_frame_source.h"
#include "link/transfer_link.h"

#include <QString>

#include <functional>
#include <memory>

// The link a transfer window runs over: the sending half and the port, and the receiving
// half its reader thread polls. Both usually share one serial port, so the source is
// destroyed before the link.
struct TransferEndpoint {
    std::unique_ptr<TransferLink> link;
    std::unique_ptr<TransferFrameSource> source;
};

class TransferReaderThread;

// Ends a transfer's reading in the one order that cannot hang: the reader is asked to stop,
// the port is closed so that a read in progress returns at once, then the thread is waited for
// and destroyed. `reader` may be empty.
void stopReadingAndClosePort(std::unique_ptr<TransferReaderThread>& reader,
                             TransferEndpoint& endpoint);

// Builds the endpoint; the reader side reads the transfer state and the pause flag from
// `flags`, which the window owns and which outlive the endpoint.
using TransferEndpointFactory = std::function<TransferEndpoint(TransferFlags& flags)>;

// The endpoint over the serial port COM1 to COM4 as the settings and the devices present
// map them.
TransferEndpoint makeSerialEndpoint(TransferFlags& flags);
// The same over the devices `locator` names for COM1 to COM4 (an empty path: no such port).
TransferEndpoint makeSerialEndpointFor(TransferFlags& flags,
                                       std::function<QString(int portNumber)> locator);
