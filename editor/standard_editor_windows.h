#pragma once

#include "editor/channel_editor_windows.h"

// The editor's own windows: the satellite settings of the database's layout, the audio tracks
// and the channel list. Tests put other entries in their place.
ChannelEditorWindows standardEditorWindows();
