#include "channels/channel_matching.h"

#include "channels/channel_database.h"

#include <algorithm>
#include <cstdint>
#include <tuple>

namespace {

std::vector<int> matchSatellites(const ChannelDatabase& first, const ChannelDatabase& second) {
    std::vector<int> result(std::size_t(first.satelliteCount()), -1);
    std::vector<bool> taken(std::size_t(second.satelliteCount()), false);
    const auto claim = [&](int a, auto&& fits) {
        for (int b = 0; b < second.satelliteCount(); ++b)
            if (!taken[std::size_t(b)] && fits(*second.satelliteAt(b))) {
                taken[std::size_t(b)] = true;
                result[std::size_t(a)] = b;
                return;
            }
    };
    // Layout 1 satellites carry no orbital position; names are all there is.
    if (first.layout == 2 && second.layout == 2) {
        for (int a = 0; a < first.satelliteCount(); ++a) {
            const SatelliteNode& sat = *first.satelliteAt(a);
            claim(a, [&](const SatelliteNode& other) {
                return other.orbitalPosition == sat.orbitalPosition && other.name == sat.name;
            });
        }
        for (int a = 0; a < first.satelliteCount(); ++a) {
            const SatelliteNode& sat = *first.satelliteAt(a);
            if (result[std::size_t(a)] < 0)
                claim(a, [&](const SatelliteNode& other) {
                    return other.orbitalPosition == sat.orbitalPosition;
                });
        }
    }
    for (int a = 0; a < first.satelliteCount(); ++a) {
        const SatelliteNode& sat = *first.satelliteAt(a);
        if (result[std::size_t(a)] < 0)
            claim(a, [&](const SatelliteNode& other) { return other.name == sat.name; });
    }
    return result;
}

unsigned distance(std::uint32_t a, std::uint32_t b) {
    return a > b ? a - b : b - a;
}

// Transponders of one matched pair of satellites: exact frequencies first, so that a
// neighbour within the tolerance never takes the place of the transponder itself, then the
// closest free one within the tolerance.
void matchTransponders(const SatelliteNode& a, const SatelliteNode& b, ChannelMatches& matches) {
    std::vector<bool> taken(std::size_t(b.transponderCount()), false);
    std::vector<const TransponderNode*> open;
    // Sorted by polarization and frequency for the search below.
    std::vector<int> order(std::size_t(b.transponderCount()));
    for (int i = 0; i < b.transponderCount(); ++i)
        order[std::size_t(i)] = i;
    const auto key = [&](int i) {
        const TransponderNode& t = *b.transponderAt(i);
        return std::make_tuple(t.polarization, t.frequency, i);
    };
    std::sort(order.begin(), order.end(), [&](int x, int y) { return key(x) < key(y); });
    const auto find = [&](const TransponderNode& t, unsigned tolerance) -> int {
        const std::uint32_t low = t.frequency > tolerance ? t.frequency - tolerance : 0;
        auto it = std::lower_bound(order.begin(), order.end(), low, [&](int i, std::uint32_t f) {
            const TransponderNode& other = *b.transponderAt(i);
            return std::make_pair(other.polarization, other.frequency) <
                   std::make_pair(t.polarization, f);
        });
        int best = -1;
        for (; it != order.end(); ++it) {
            const TransponderNode& other = *b.transponderAt(*it);
            if (other.polarization != t.polarization ||
                other.frequency > std::uint64_t(t.frequency) + tolerance)
                break;
            if (taken[std::size_t(*it)])
                continue;
            if (best < 0 || distance(other.frequency, t.frequency) <
                                distance(b.transponderAt(best)->frequency, t.frequency))
                best = *it;
        }
        return best;
    };
    for (unsigned tolerance : {0u, frequencyTolerance})
        for (const auto& t : a.transponders()) {
            if (matches.transponders.count(t.get()))
                continue;
            const int found = find(*t, tolerance);
            if (found >= 0) {
                taken[std::size_t(found)] = true;
                matches.transponders.emplace(t.get(), b.transponderAt(found));
            }
        }
}

// Programs of one matched pair of transponders: by service ID first, then the rest by name.
void matchPrograms(const TransponderNode& a, const TransponderNode& b, ChannelMatches& matches) {
    struct Candidate {
        bool tv;
        std::uint16_t serviceId;
        const QByteArray* name;
        const ProgramNode* program;
        bool taken;
    };
    std::vector<Candidate> candidates;
    candidates.reserve(std::size_t(b.programCount()));
    for (const auto& p : b.programs())
        candidates.push_back({p->isTv(), p->serviceId, &p->name, p.get(), false});
    std::vector<const ProgramNode*> unmatched;
    const auto byId = [](const Candidate& x, const Candidate& y) {
        return std::tie(x.tv, x.serviceId) < std::tie(y.tv, y.serviceId);
    };
    std::stable_sort(candidates.begin(), candidates.end(), byId);
    for (const auto& p : a.programs()) {
        const Candidate probe{p->isTv(), p->serviceId, nullptr, nullptr, false};
        auto [from, to] = std::equal_range(candidates.begin(), candidates.end(), probe, byId);
        const auto free = std::find_if(from, to, [](const Candidate& c) { return !c.taken; });
        if (free == to) {
            unmatched.push_back(p.get());
            continue;
        }
        free->taken = true;
        matches.programs.emplace(p.get(), free->program);
    }
    if (unmatched.empty())
        return;
    std::erase_if(candidates, [](const Candidate& c) { return c.taken; });
    const auto byName = [](const Candidate& x, const Candidate& y) {
        return std::tie(x.tv, *x.name) < std::tie(y.tv, *y.name);
    };
    std::stable_sort(candidates.begin(), candidates.end(), byName);
    for (const ProgramNode* p : unmatched) {
        const Candidate probe{p->isTv(), 0, &p->name, nullptr, false};
        auto [from, to] = std::equal_range(candidates.begin(), candidates.end(), probe, byName);
        const auto free = std::find_if(from, to, [](const Candidate& c) { return !c.taken; });
        if (free == to)
            continue;
        free->taken = true;
        matches.programs.emplace(p, free->program);
    }
}

} // namespace

ChannelMatches matchChannels(const ChannelDatabase& first, const ChannelDatabase& second) {
    ChannelMatches matches;
    matches.satellites = matchSatellites(first, second);
    matches.programs.reserve(first.tvList.size() + first.radioList.size());
    for (int s = 0; s < first.satelliteCount(); ++s) {
        const int other = matches.satellites[std::size_t(s)];
        if (other >= 0)
            matchTransponders(*first.satelliteAt(s), *second.satelliteAt(other), matches);
    }
    for (const auto& [a, b] : matches.transponders)
        matchPrograms(*a, *b, matches);
    return matches;
}
