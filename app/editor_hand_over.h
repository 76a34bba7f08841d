#pragma once

#include "app/main_dialog_hand_over.h"
#include "editor/channel_editor_windows.h"

// Plugs the channel editor into the main window's "Edit": the editor runs modally on the
// channel data path and hands back the path it ended on. `windows` are the windows the editor
// opens over itself.
void connectChannelEditor(MainDialogHandOver& handOver, ChannelEditorWindows windows = {});
