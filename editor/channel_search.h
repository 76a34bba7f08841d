#pragma once

#include <QString>

class ChannelDatabase;
class ProgramNode;
class SatelliteNode;
class TransponderNode;

// A node of the satellite tree; exactly the pointer of its kind is set, or none.
struct TreeNodeRef {
    SatelliteNode* satellite = nullptr;
    TransponderNode* transponder = nullptr;
    ProgramNode* program = nullptr;

    bool isNull() const { return !satellite && !transponder && !program; }
    bool operator==(const TreeNodeRef&) const = default;
};

// Whether the node answers to what the user typed: a satellite or program whose name holds the
// text (any case), a transponder whose tree label does, or, for a typed number, a program with
// that service ID or a transponder on that frequency (in kHz or MHz).
bool nodeMatchesSearch(const TreeNodeRef& node, const QString& text);

// Whether the node is one of the database's (compared by address, never dereferenced).
bool findInTree(const ChannelDatabase& database, const TreeNodeRef& node);

// The first matching node after `from` in tree order (from the top when `from` is null),
// wrapping round to the top and ending with `from` itself; null when nothing matches.
TreeNodeRef findInTree(const ChannelDatabase& database, const QString& text,
                       const TreeNodeRef& from = {});
