#include "editor/reference_file.h"

#include "channels/channel_file_messages.h"
#include "channels/channel_file_reader.h"
#include "widgets/file_dialog.h"
#include "widgets/message_box.h"

std::optional<ReferenceFile> readReferenceFile(QWidget* parent) {
    FileDialogRequest request;
    request.filter = QStringLiteral("Channel Data File (*.CDF)|*.cdf|All file (*.*)|*.*||");
    request.defaultSuffix = QStringLiteral("CDF");
    request.mustExist = true;
    std::optional<ReferenceFile> reference(std::in_place);
    reference->path = runFileDialog(parent, request);
    if (reference->path.isEmpty())
        return std::nullopt;
    if (const int result = readChannelFile(reference->channels, reference->path); result != 0) {
        showMessage(parent, channelReadResultText(result));
        return std::nullopt;
    }
    return reference;
}
