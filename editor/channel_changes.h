#pragma once

// Every change of the channel data made in the editor is one of these small values, applied by
// ChannelDocument. Each names the node it touches and carries what it needs to be applied;
// edits carry the record before and after, so that a change can later be taken back.

#include "channels/channel_nodes.h"

#include <array>
#include <cstdint>
#include <vector>

struct TransponderEdit {
    TransponderNode* transponder = nullptr;
    Transponder before;
    Transponder after;
};

struct ProgramEdit {
    ProgramNode* program = nullptr;
    Program before;
    Program after;
};

struct TransponderAddition {
    SatelliteNode* satellite = nullptr;
    Transponder record;
};

struct ProgramAddition {
    TransponderNode* transponder = nullptr;
    Program record;
};

struct TransponderRemoval {
    SatelliteNode* satellite = nullptr;
    TransponderNode* transponder = nullptr;
};

struct ProgramRemoval {
    TransponderNode* transponder = nullptr;
    ProgramNode* program = nullptr;
};

// Many programs removed at once, as one step: from their transponders, their list and every
// favourite group. A transponder left without programs stays.
struct ProgramsRemoval {
    std::vector<ProgramNode*> programs;
};

// What the satellite settings window can change: the satellite, the shared LNB table and the
// header flags.
struct SatelliteState {
    Satellite record;
    std::vector<LnbConfig> lnbConfigs;
    std::uint8_t lnbConfigCount = 0;
    std::uint8_t headerFlags = 0;
};

// What the channel list window can change: the order of both lists, the favourite marks and
// the groups. Programs are named by their position in tree order, which stays valid while
// the hierarchy is as it was when the state was taken (nodes may be made anew in between).
struct ChannelListState {
    struct Group {
        QByteArray name;
        std::vector<int> tvMembers;
        std::vector<int> radioMembers;
    };
    std::vector<int> tvList;
    std::vector<int> radioList;
    std::vector<std::uint8_t> favoriteMasks;
    std::array<Group, ChannelLimits::maxFavoriteGroups> groups;
    std::uint8_t favoriteGroupCount = 0;
    std::uint8_t headerFlags = 0;
};
