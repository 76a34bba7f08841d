#include "channels/channel_reference_order.h"

#include "channels/channel_database.h"
#include "channels/channel_matching.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace {

using FromReference = std::unordered_map<const ProgramNode*, ProgramNode*>;

// The reference's programs of `referenceList` that have a partner, as those partners, then
// the list's own programs without one, each in its list's order.
int reorder(std::vector<ProgramNode*>& list, const std::vector<ProgramNode*>& referenceList,
            const FromReference& fromReference) {
    std::vector<ProgramNode*> result;
    result.reserve(list.size());
    std::unordered_set<const ProgramNode*> placed;
    placed.reserve(list.size());
    for (const ProgramNode* referenceProgram : referenceList)
        if (const auto it = fromReference.find(referenceProgram); it != fromReference.end())
            if (placed.insert(it->second).second)
                result.push_back(it->second);
    const int matchedCount = int(result.size());
    // Every program stays exactly once, whatever the reference's lists hold.
    for (ProgramNode* program : list)
        if (!placed.count(program))
            result.push_back(program);
    list = std::move(result);
    return matchedCount;
}

} // namespace

ChannelOrder channelOrderOf(const ChannelDatabase& database) {
    ChannelOrder order{database.tvList, database.radioList, {}};
    const int count = std::min<int>(database.favoriteGroupCount, ChannelLimits::maxFavoriteGroups);
    order.groups.assign(database.favoriteGroups.begin(), database.favoriteGroups.begin() + count);
    return order;
}

ReferenceOrderCounts orderFromReference(const ChannelDatabase& database, ChannelOrder& order,
                                        std::uint8_t Program::*mask,
                                        const ChannelDatabase& reference) {
    const ChannelMatches matches = matchChannels(database, reference);
    FromReference fromReference;
    std::unordered_set<const ProgramNode*> matched;
    fromReference.reserve(matches.programs.size());
    matched.reserve(matches.programs.size());
    for (auto* list : {&order.tvList, &order.radioList})
        for (ProgramNode* program : *list)
            if (const auto it = matches.programs.find(program); it != matches.programs.end()) {
                fromReference.emplace(it->second, program);
                matched.insert(program);
            }

    ReferenceOrderCounts counts;
    const int tvTotal = int(order.tvList.size());
    const int radioTotal = int(order.radioList.size());
    counts.tvMatched = reorder(order.tvList, reference.tvList, fromReference);
    counts.radioMatched = reorder(order.radioList, reference.radioList, fromReference);
    counts.tvUnmatched = tvTotal - counts.tvMatched;
    counts.radioUnmatched = radioTotal - counts.radioMatched;

    const int referenceCount =
        std::min<int>(reference.favoriteGroupCount, ChannelLimits::maxFavoriteGroups);
    if (!(database.headerFlags & ChannelDatabase::favoritesFlag) || referenceCount == 0)
        return counts;

    const int ownCount = int(order.groups.size());
    const int count = std::max(ownCount, referenceCount);
    // With fewer than eight groups bit 7 is the "in some group" flag, else group 8.
    const std::uint8_t groupBits = count >= 8 ? 0xFF : std::uint8_t(((1u << count) - 1) | 0x80);
    const std::uint8_t memberFlag = count >= 8 ? 0x00 : 0x80;
    for (auto* list : {&order.tvList, &order.radioList})
        for (ProgramNode* program : *list)
            program->*mask &= std::uint8_t(~groupBits);

    std::vector<FavoriteGroup> groups(static_cast<std::size_t>(count));
    for (int g = 0; g < count; ++g) {
        FavoriteGroup& group = groups[std::size_t(g)];
        const std::uint8_t bit = std::uint8_t(1u << g);
        // A program listed twice in a group joins it once.
        const auto join = [&](std::vector<ProgramNode*>& members, ProgramNode* program) {
            if (program->*mask & bit)
                return;
            program->*mask |= std::uint8_t(bit | memberFlag);
            members.push_back(program);
        };
        if (g < referenceCount) {
            const FavoriteGroup& source = reference.favoriteGroups[std::size_t(g)];
            group.name = source.name;
            for (auto [from, to] : {std::pair{&source.tvMembers, &group.tvMembers},
                                    std::pair{&source.radioMembers, &group.radioMembers}})
                for (const ProgramNode* member : *from)
                    if (const auto it = fromReference.find(member); it != fromReference.end())
                        join(*to, it->second);
        }
        if (g < ownCount) {
            FavoriteGroup& own = order.groups[std::size_t(g)];
            if (g >= referenceCount)
                group.name = own.name;
            for (auto [from, to] : {std::pair{&own.tvMembers, &group.tvMembers},
                                    std::pair{&own.radioMembers, &group.radioMembers}})
                for (ProgramNode* member : *from)
                    if (!matched.count(member))
                        join(*to, member);
        }
    }
    order.groups = std::move(groups);
    return counts;
}

void adoptChannelOrder(ChannelDatabase& database, ChannelOrder order) {
    database.tvList = std::move(order.tvList);
    database.radioList = std::move(order.radioList);
    const std::size_t count =
        std::min(order.groups.size(), std::size_t(ChannelLimits::maxFavoriteGroups));
    for (std::size_t g = 0; g < count; ++g)
        database.favoriteGroups[g] = std::move(order.groups[g]);
    database.favoriteGroupCount = std::uint8_t(count);
}

QString referenceOrderSummary(const ReferenceOrderCounts& counts) {
    return QStringLiteral("TV programs: %1 matched, %2 not matched\n"
                          "Radio programs: %3 matched, %4 not matched")
        .arg(counts.tvMatched)
        .arg(counts.tvUnmatched)
        .arg(counts.radioMatched)
        .arg(counts.radioUnmatched);
}
