#pragma once

#include "editor/tree_node_look.h"

#include <functional>

class ChannelDatabase;
class ProgramNode;
class SatelliteNode;
class QWidget;

// What a satellite settings window reports when it closes.
struct SatelliteWindowResult {
    bool accepted = false;    // closed with OK
    bool dataChanged = false; // some field of the satellite (or its LNB entry) was written
    bool nameChanged = false; // the name was written
    int treeIcon = TreeImage::satelliteWithoutLnb;
};

// The windows the channel editor opens over itself. Each runs modally over `owner`, edits the
// records in place only when confirmed and reports whether it did. An entry left empty opens
// nothing.
struct ChannelEditorWindows {
    // The satellite settings window of the database's layout (only called for layouts 1 and 2).
    std::function<SatelliteWindowResult(QWidget* owner, ChannelDatabase& database,
                                        SatelliteNode* satellite)>
        openSatelliteWindow;
    // The audio tracks of one program; true when closed with OK.
    std::function<bool(QWidget* owner, ChannelDatabase& database, ProgramNode* program)>
        openAudioWindow;
    // The TV and radio channel lists and favourite groups (the database has just been
    // renumbered); true when closed with "Apply". Programs the user deleted there are left out
    // of both channel lists; the caller removes them through the document.
    std::function<bool(QWidget* owner, ChannelDatabase& database)> openChannelList;
};
