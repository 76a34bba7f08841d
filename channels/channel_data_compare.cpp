#include "channels/channel_data_compare.h"

#include "channels/channel_database.h"

#include <unordered_map>

namespace {
// Position of a program in tree order, the same for both databases when their hierarchies
// match.
using TreeOrder = std::unordered_map<const ProgramNode*, int>;

TreeOrder treeOrder(const ChannelDatabase& database) {
    TreeOrder order;
    int next = 0;
    for (const auto& satellite : database.satellites())
        for (const auto& transponder : satellite->transponders())
            for (const auto& program : transponder->programs())
                order.emplace(program.get(), next++);
    return order;
}

bool sameReferences(const std::vector<ProgramNode*>& a, const TreeOrder& orderA,
                    const std::vector<ProgramNode*>& b, const TreeOrder& orderB) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto foundA = orderA.find(a[i]);
        const auto foundB = orderB.find(b[i]);
        if (foundA == orderA.end() || foundB == orderB.end() || foundA->second != foundB->second)
            return false;
    }
    return true;
}

Program comparable(const Program& program) {
    Program copy = program;
    copy.pendingFavoriteMask = 0;
    return copy;
}
} // namespace

QString firstChannelDataDifference(const ChannelDatabase& a, const ChannelDatabase& b) {
    if (a.layout != b.layout || a.headerFlags != b.headerFlags)
        return QStringLiteral("layout or header flags");
    if (a.savedDay != b.savedDay || a.savedMonth != b.savedMonth || a.savedYear != b.savedYear ||
        a.savedHour != b.savedHour || a.savedMinute != b.savedMinute)
        return QStringLiteral("saved date and time");
    if (a.lnbConfigCount != b.lnbConfigCount || a.lnbConfigs != b.lnbConfigs)
        return QStringLiteral("LNB configurations");
    if (a.satelliteCount() != b.satelliteCount())
        return QStringLiteral("satellite count");
    for (int s = 0; s < a.satelliteCount(); ++s) {
        const SatelliteNode& satA = *a.satelliteAt(s);
        const SatelliteNode& satB = *b.satelliteAt(s);
        if (satA.record() != satB.record())
            return QStringLiteral("satellite %1").arg(s);
        if (satA.transponderCount() != satB.transponderCount())
            return QStringLiteral("transponder count of satellite %1").arg(s);
        for (int t = 0; t < satA.transponderCount(); ++t) {
            const TransponderNode& tpA = *satA.transponderAt(t);
            const TransponderNode& tpB = *satB.transponderAt(t);
            if (tpA.record() != tpB.record())
                return QStringLiteral("transponder %1/%2").arg(s).arg(t);
            if (tpA.programCount() != tpB.programCount() || tpA.tvCount() != tpB.tvCount() ||
                tpA.radioCount() != tpB.radioCount())
                return QStringLiteral("program counts of transponder %1/%2").arg(s).arg(t);
            for (int p = 0; p < tpA.programCount(); ++p) {
                const ProgramNode& progA = *tpA.programAt(p);
                const ProgramNode& progB = *tpB.programAt(p);
                if (comparable(progA) != comparable(progB) || progA.isTv() != progB.isTv())
                    return QStringLiteral("program %1/%2/%3").arg(s).arg(t).arg(p);
            }
        }
    }
    const TreeOrder orderA = treeOrder(a);
    const TreeOrder orderB = treeOrder(b);
    if (!sameReferences(a.tvList, orderA, b.tvList, orderB))
        return QStringLiteral("TV list");
    if (!sameReferences(a.radioList, orderA, b.radioList, orderB))
        return QStringLiteral("radio list");
    if (a.favoriteGroupCount != b.favoriteGroupCount)
        return QStringLiteral("favourite group count");
    for (std::size_t g = 0; g < a.favoriteGroups.size(); ++g) {
        const FavoriteGroup& groupA = a.favoriteGroups[g];
        const FavoriteGroup& groupB = b.favoriteGroups[g];
        if (groupA.name != groupB.name)
            return QStringLiteral("name of favourite group %1").arg(g);
        if (!sameReferences(groupA.tvMembers, orderA, groupB.tvMembers, orderB) ||
            !sameReferences(groupA.radioMembers, orderA, groupB.radioMembers, orderB))
            return QStringLiteral("members of favourite group %1").arg(g);
    }
    return {};
}
