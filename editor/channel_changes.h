#pragma once

// Every change of the channel data made in the editor is one of these small values, applied by
// ChannelDocument. Each names the node it touches and carries what it needs to be applied;
// edits carry the record before and after, so that a change can later be taken back.

#include "channels/channel_nodes.h"

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
