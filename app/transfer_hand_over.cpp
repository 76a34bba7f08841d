#include "app/transfer_hand_over.h"

#include "link/channel_download_check.h"
#include "link/transfer_dialog.h"
#include "link/upload_save.h"
#include "widgets/message_box.h"

void connectTransferWindows(MainDialogHandOver& handOver, TransferEndpointFactory makeEndpoint) {
    handOver.runFirmwareDownload = [makeEndpoint](QWidget* owner, const FirmwareImage& image) {
        TransferDialog dialog(makeEndpoint, owner);
        dialog.setFirmware(image);
        dialog.exec();
    };
    handOver.runChannelDownload = [makeEndpoint](QWidget* owner, std::span<const std::uint8_t> file,
                                                 std::uint32_t /*bodyLength: size - 14*/,
                                                 const QString& path) {
        // A file the receiver would read wrongly never reaches it.
        if (const QString refusal = channelDownloadRefusal(file); !refusal.isEmpty()) {
            showMessage(owner, refusal, MessageIcon::stop);
            return QString();
        }
        TransferDialog dialog(makeEndpoint, owner);
        if (!dialog.setChannelDownload(file, path))
            return QString();
        dialog.exec();
        return transferResultLine(dialog.report());
    };
    handOver.runChannelUpload = [makeEndpoint](QWidget* owner, QString& channelPath) {
        // Told now rather than after the whole upload.
        if (!uploadPathWritable(channelPath)) {
            showMessage(owner, uploadSaveMessage(uploadCannotCreate, channelPath),
                        MessageIcon::stop);
            channelPath.clear(); // the next channel action asks for a path
            return QString();
        }
        TransferDialog dialog(makeEndpoint, owner);
        dialog.setUpload(channelPath);
        dialog.exec();
        return transferResultLine(dialog.report());
    };
}
