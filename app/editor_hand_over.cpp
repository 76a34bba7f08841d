#include "app/editor_hand_over.h"

#include "channels/channel_file_messages.h"
#include "editor/channel_edit_dialog.h"
#include "widgets/message_box.h"

void connectChannelEditor(MainDialogHandOver& handOver, ChannelEditorWindows windows) {
    handOver.runChannelEditor = [windows = std::move(windows)](QWidget* owner,
                                                               const QString& channelPath) {
        // The editor reads the whole file before it shows anything; a file that passed the
        // quick check but does not read is refused with the reader's message.
        ChannelEditDialog dialog(channelPath, windows, owner);
        if (const int result = dialog.readResult(); result != 0) {
            showMessage(owner, channelReadResultText(result));
            return channelPath;
        }
        dialog.exec();
        return dialog.filePath();
    };
}
