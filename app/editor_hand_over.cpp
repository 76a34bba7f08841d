#include "app/editor_hand_over.h"

#include "editor/channel_edit_dialog.h"

void connectChannelEditor(MainDialogHandOver& handOver, ChannelEditorWindows windows) {
    handOver.runChannelEditor = [windows = std::move(windows)](QWidget* owner,
                                                               const QString& channelPath) {
        ChannelEditDialog dialog(channelPath, windows, owner);
        dialog.exec();
        return dialog.filePath();
    };
}
