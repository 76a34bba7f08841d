#include "channels/channel_database.h"
#include "channels/channel_matching.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// One satellite "S" with transponders at the given offsets in kHz from 11 GHz; a negative
// offset stands for a vertical transponder at its absolute value.
void fill(ChannelDatabase& database, std::initializer_list<int> offsets) {
    SatelliteNode* satellite = database.appendSatellite(Satellite{.name = "S"});
    for (const int offset : offsets) {
        Transponder transponder;
        transponder.frequency = 11000000u + unsigned(offset < 0 ? -offset : offset);
        transponder.polarization = offset < 0 ? 0 : 1;
        database.appendTransponder(satellite, transponder);
    }
}

// Per transponder of the first file: the position of its partner in the second, or -1.
std::vector<int> partners(const ChannelDatabase& first, const ChannelDatabase& second) {
    const ChannelMatches matches = matchChannels(first, second);
    std::map<const TransponderNode*, int> positions;
    for (int i = 0; i < second.satelliteAt(0)->transponderCount(); ++i)
        positions[second.satelliteAt(0)->transponderAt(i)] = i;
    std::vector<int> result;
    for (const auto& transponder : first.satelliteAt(0)->transponders()) {
        const auto it = matches.transponders.find(transponder.get());
        result.push_back(it == matches.transponders.end() ? -1 : positions.at(it->second));
    }
    return result;
}

TEST(ChannelMatching, TransponderPairsAreMatchedClosestFirst) {
    const struct {
        const char* what;
        std::initializer_list<int> first;
        std::initializer_list<int> second;
        std::vector<int> expected;
    } cases[] = {
        // Listed first, the one 1 MHz away used to take the partner of the one 0.5 MHz away.
        {"closer one listed second", {1000, 500}, {0}, {-1, 0}},
        {"closer one listed first", {500, 1000}, {0}, {0, -1}},
        // The second file's order does not decide either.
        {"two partners", {0, 1500}, {1800, 400}, {1, 0}},
        // A chain: 1000 is closest to 1100, so 0 goes without and 2000 takes 2900.
        {"chain", {0, 1000, 2000}, {1100, 2900}, {-1, 0, 1}},
        {"exact frequencies", {700, 700, 700}, {700, 700}, {0, 1, -1}},
        {"tolerance is 2 MHz", {0, 10000}, {2000, 12001}, {0, -1}},
        {"polarization must agree", {-500, 500}, {500, -600}, {1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ChannelDatabase first;
        ChannelDatabase second;
        fill(first, c.first);
        fill(second, c.second);
        EXPECT_EQ(partners(first, second), c.expected);
    }
}

} // namespace
