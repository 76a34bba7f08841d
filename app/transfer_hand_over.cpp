#include "app/transfer_hand_over.h"

#include "link/transfer_dialog.h"

void connectTransferWindows(MainDialogHandOver& handOver, TransferEndpointFactory makeEndpoint) {
    handOver.runFirmwareDownload = [makeEndpoint](QWidget* owner, const FirmwareImage& image) {
        TransferDialog dialog(makeEndpoint, owner);
        dialog.setFirmware(image);
        dialog.exec();
    };
    handOver.runChannelDownload = [makeEndpoint](QWidget* owner, std::span<const std::uint8_t> file,
                                                 std::uint32_t /*bodyLength: size - 14*/) {
        TransferDialog dialog(makeEndpoint, owner);
        if (dialog.setChannelDownload(file))
            dialog.exec();
    };
    handOver.runChannelUpload = [makeEndpoint](QWidget* owner, QString& channelPath) {
        TransferDialog dialog(makeEndpoint, owner);
        dialog.setUpload(channelPath);
        dialog.exec();
    };
}
