#pragma once

// Finds the same satellites, transponders and programs in two databases, for example a file
// and the list saved before the receiver was rescanned, where positions, counts and some
// values differ. Satellites match by orbital position when both files are of layout 2
// (preferring the same name among several at that position), else by name; transponders of
// matched satellites by polarization and a frequency within 2 MHz (closest pairs first);
// programs of matched transponders by kind (TV or radio) and service ID, else by kind and
// name. Every match is one to one.

#include <unordered_map>
#include <vector>

class ChannelDatabase;
class ProgramNode;
class SatelliteNode;
class TransponderNode;

struct ChannelMatches {
    // Per satellite of the first database: the matching satellite's position in the second,
    // or -1.
    std::vector<int> satellites;
    std::unordered_map<const TransponderNode*, const TransponderNode*> transponders;
    std::unordered_map<const ProgramNode*, const ProgramNode*> programs;
};

// The largest frequency difference, in kHz, at which two transponders are still the same.
inline constexpr unsigned frequencyTolerance = 2000;

ChannelMatches matchChannels(const ChannelDatabase& first, const ChannelDatabase& second);
