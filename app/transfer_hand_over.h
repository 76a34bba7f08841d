#pragma once

#include "app/main_dialog_hand_over.h"
#include "link/transfer_endpoint.h"

// Plugs the transfer window into the main window's firmware and channel data actions, over
// the endpoint `makeEndpoint` builds (the serial port in the program, a fake in tests).
void connectTransferWindows(MainDialogHandOver& handOver,
                            TransferEndpointFactory makeEndpoint = makeSerialEndpoint);
