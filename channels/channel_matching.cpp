#include "channels/channel_matching.h"

#include "channels/channel_database.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <queue>
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

// Positions not yet taken in a sorted table, found by skipping taken runs (union-find with
// path halving): free at or after a position, and free at or before it.
class FreePositions {
public:
    explicit FreePositions(int count)
        : after_(std::size_t(count) + 1), before_(std::size_t(count) + 1) {
        for (int i = 0; i <= count; ++i) {
            after_[std::size_t(i)] = i;
            before_[std::size_t(i)] = i;
        }
    }
    // The first free position >= i, or the count when there is none.
    int atOrAfter(int i) { return root(after_, i); }
    // The last free position <= i, or -1 when there is none.
    int atOrBefore(int i) { return root(before_, i + 1) - 1; }
    void take(int i) {
        after_[std::size_t(i)] = i + 1;
        before_[std::size_t(i) + 1] = i;
    }

private:
    static int root(std::vector<int>& parent, int i) {
        while (parent[std::size_t(i)] != i) {
            parent[std::size_t(i)] = parent[std::size_t(parent[std::size_t(i)])];
            i = parent[std::size_t(i)];
        }
        return i;
    }
    std::vector<int> after_;
    std::vector<int> before_; // shifted by one, so that slot 0 stands for "none"
};

// Transponders of one matched pair of satellites, closest pairs first: of all pairs with the
// same polarization and frequencies within the tolerance, the closest is matched, then the
// closest of those left, and so on (ties in the order of the first file, then of the second).
// So a transponder never loses its partner to one farther away, whichever file lists it
// first, and exact frequencies always find each other.
void matchTransponders(const SatelliteNode& a, const SatelliteNode& b, ChannelMatches& matches) {
    const int count = b.transponderCount();
    std::vector<int> order(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        order[std::size_t(i)] = i;
    const auto key = [&](int i) {
        const TransponderNode& t = *b.transponderAt(i);
        return std::make_tuple(t.polarization, t.frequency, i);
    };
    std::sort(order.begin(), order.end(), [&](int x, int y) { return key(x) < key(y); });
    const auto at = [&](int position) -> const TransponderNode& {
        return *b.transponderAt(order[std::size_t(position)]);
    };
    // The first position in `order` at or above (polarization, frequency).
    const auto lowerBound = [&](std::uint8_t polarization, std::uint32_t frequency) {
        return int(std::lower_bound(order.begin(), order.end(),
                                    std::make_pair(polarization, frequency),
                                    [&](int i, const std::pair<std::uint8_t, std::uint32_t>& k) {
                                        const TransponderNode& t = *b.transponderAt(i);
                                        return std::make_pair(t.polarization, t.frequency) < k;
                                    }) -
                   order.begin());
    };
    FreePositions free(count);

    // The closest free partner of t within the tolerance, the lowest in the second file's
    // order among equally close ones; its position in `order`, or -1.
    const auto closestFree = [&](const TransponderNode& t) -> int {
        const int from = lowerBound(t.polarization, t.frequency);
        int best = -1;
        unsigned bestDistance = 0;
        const auto consider = [&](int position) {
            if (position < 0 || position >= count)
                return;
            const TransponderNode& other = at(position);
            const unsigned d = distance(other.frequency, t.frequency);
            if (other.polarization != t.polarization || d > frequencyTolerance)
                return;
            if (best < 0 || d < bestDistance ||
                (d == bestDistance && order[std::size_t(position)] < order[std::size_t(best)])) {
                best = position;
                bestDistance = d;
            }
        };
        consider(free.atOrAfter(from));
        // Below: the nearest free frequency, and at it the first free one in file order.
        if (const int below = free.atOrBefore(from - 1); below >= 0)
            consider(free.atOrAfter(lowerBound(at(below).polarization, at(below).frequency)));
        return best;
    };

    struct Candidate {
        unsigned distance;
        int first;    // position in the first satellite
        int position; // position in `order`
        int second;   // position in the second satellite
        bool operator>(const Candidate& other) const {
            return std::tie(distance, first, second) >
                   std::tie(other.distance, other.first, other.second);
        }
    };
    std::priority_queue<Candidate, std::vector<Candidate>, std::greater<>> queue;
    const auto offer = [&](int first) {
        const TransponderNode& t = *a.transponderAt(first);
        if (const int position = closestFree(t); position >= 0)
            queue.push({distance(at(position).frequency, t.frequency), first, position,
                        order[std::size_t(position)]});
    };
    for (int first = 0; first < a.transponderCount(); ++first)
        offer(first);
    std::vector<bool> taken(std::size_t(count), false);
    while (!queue.empty()) {
        const Candidate c = queue.top();
        queue.pop();
        // Taken since it was offered: the next closest partner, which lies no closer.
        if (taken[std::size_t(c.position)]) {
            offer(c.first);
            continue;
        }
        taken[std::size_t(c.position)] = true;
        free.take(c.position);
        matches.transponders.emplace(a.transponderAt(c.first), b.transponderAt(c.second));
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
