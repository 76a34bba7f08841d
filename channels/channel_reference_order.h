#pragma once

// Gives a file's channel lists the order of another file (a reference, for example the list
// saved before the receiver was rescanned) and the reference's favourite groups. Programs
// found in both (channel_matching.h) take the reference's order, in front; the others follow
// in their own relative order and keep their own favourite memberships.
//
// Favourite groups: group i of the reference gives group i its name and, for matched
// programs, its members in the reference's order; the program's own unmatched members follow.
// The group count becomes the larger of the two, so no own membership is lost; groups beyond
// the reference's keep their names and only their unmatched members. A reference without
// favourite groups says nothing about them, and a file without a favourites section cannot
// store them: then the groups and masks stay as they are. Each program keeps its list (TV or
// radio): only programs of the same kind match.

#include "channels/channel_nodes.h"

#include <QString>

#include <cstdint>
#include <vector>

class ChannelDatabase;

// The part of a database that a reference order replaces: the working copies the channel
// list window edits, or the database's own lists for the command line.
struct ChannelOrder {
    std::vector<ProgramNode*> tvList;
    std::vector<ProgramNode*> radioList;
    // The groups in use, at most eight.
    std::vector<FavoriteGroup> groups;
};

struct ReferenceOrderCounts {
    int tvMatched = 0;
    int tvUnmatched = 0;
    int radioMatched = 0;
    int radioUnmatched = 0;

    bool operator==(const ReferenceOrderCounts&) const = default;
};

// The database's own lists and groups.
ChannelOrder channelOrderOf(const ChannelDatabase& database);

// Reorders `order` (lists and groups of programs of `database`) after `reference`. The
// favourite masks read and written are the programs' field `mask` (favoriteMask, or the
// window's pendingFavoriteMask).
ReferenceOrderCounts orderFromReference(const ChannelDatabase& database, ChannelOrder& order,
                                        std::uint8_t Program::*mask,
                                        const ChannelDatabase& reference);

// Stores `order` in the database: both lists, the groups' names and members, the group count.
void adoptChannelOrder(ChannelDatabase& database, ChannelOrder order);

// "TV programs: 12 matched, 3 not matched" and the same for radio, on two lines.
QString referenceOrderSummary(const ReferenceOrderCounts& counts);
