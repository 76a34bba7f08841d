#include "editor/standard_editor_windows.h"

#include "channels/channel_database.h"
#include "editor/audio_pid_dialog.h"
#include "editor/channel_list_dialog.h"
#include "editor/satellite_dialog143.h"
#include "editor/satellite_dialog144.h"

#include <memory>

namespace {

SatelliteWindowResult openSatelliteWindow(QWidget* owner, ChannelDatabase& database,
                                          SatelliteNode* satellite) {
    std::unique_ptr<SatelliteDialog> dialog;
    if (database.layout == 1)
        dialog = std::make_unique<SatelliteDialog143>(database, satellite, owner);
    else if (database.layout == 2)
        dialog = std::make_unique<SatelliteDialog144>(database, satellite, owner);
    if (!dialog)
        return {};
    SatelliteWindowResult result;
    result.accepted = dialog->exec() == QDialog::Accepted;
    result.dataChanged = result.accepted && dialog->dataChanged();
    result.nameChanged = result.accepted && dialog->nameChanged();
    result.treeIcon = dialog->treeIcon();
    return result;
}

bool openAudioWindow(QWidget* owner, ChannelDatabase&, ProgramNode* program) {
    AudioPidDialog dialog(*program, owner);
    return dialog.exec() == QDialog::Accepted;
}

bool openChannelList(QWidget* owner, ChannelDatabase& database) {
    ChannelListDialog dialog(database, owner);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

ChannelEditorWindows standardEditorWindows() {
    return {openSatelliteWindow, openAudioWindow, openChannelList};
}
