#include "channels/sample_channel_list.h"

#include "channels/channel_database.h"

#include <array>
#include <cstdint>
#include <vector>

namespace {
// Language table positions of the codes used here.
constexpr std::uint8_t eng = 0, spa = 1, ita = 2, fra = 3, ger = 4, tur = 5, dut = 7, pol = 12;
constexpr std::uint16_t ac3Flag = 0x8000;

struct SatelliteSample {
    const char* name;
    std::uint8_t lnbConfigIndex;
    bool cBand;
    int transponders;
    std::array<std::uint8_t, 2> languages; // main and second audio language
};

// LNB configuration table: two universal LNBs behind a DiSEqC switch, a single-oscillator Ku
// LNB and a C-band LNB.
const std::vector<LnbConfig>& lnbTable() {
    static const std::vector<LnbConfig> table = {
        {9750, 10600, 1, 0, 1, 0, 0, 0},
        {9750, 10600, 1, 0, 1, 1, 0, 0},
        {10750, 10750, 4, 0, 0, 255, 0, 0},
        {5150, 5150, 4, 0, 0, 255, 0, 0},
    };
    return table;
}

const SatelliteSample satelliteSamples[] = {
    {"ASTRA 19.2E", 0, false, 12, {ger, eng}},  {"HOTBIRD 13.0E", 1, false, 12, {ita, pol}},
    {"EUTELSAT 7.0E", 2, false, 6, {tur, eng}}, {"ASTRA 23.5E", 0, false, 6, {dut, eng}},
    {"THOR 0.8W", 1, false, 5, {eng, fra}},     {"INTELSAT 27.5W C", 3, true, 3, {spa, eng}},
};

const char* const tvStems[] = {"Nova",     "Atlas",  "Prima",  "Orbit",  "Polar", "Vista",  "Alpha",
                               "Meridian", "Aurora", "Delta",  "Helios", "Kanal", "Tele",   "Viva",
                               "Horizon",  "Zenit",  "Europa", "Nord",   "Sud",   "Central"};
const char* const tvKinds[] = {" News", " Sport", " Movies", " Kids", " Music",  " Docu",
                               " 1",    " 2",     " HD",     " Plus", " Travel", " Shop"};
const char* const radioKinds[] = {" FM", " Classic", " Jazz", " Pop", " Info"};

enum Group { news, sport, movies, music, groupCount };
const char* const groupNames[groupCount] = {"News", "Sport", "Movies", "Music"};

int groupOf(const QByteArray& name) {
    if (name.endsWith(" News") || name.endsWith(" Info"))
        return news;
    if (name.endsWith(" Sport"))
        return sport;
    if (name.endsWith(" Movies"))
        return movies;
    if (name.endsWith(" Music") || name.endsWith(" Pop") || name.endsWith(" Jazz"))
        return music;
    return -1;
}

Transponder sampleTransponder(const SatelliteSample& satellite, int index) {
    Transponder transponder;
    const std::uint32_t megahertz =
        satellite.cBand ? 3725 + 40 * std::uint32_t(index) : 10729 + 156 * std::uint32_t(index);
    transponder.frequency = megahertz * 1000;
    transponder.polarization = std::uint8_t(index % 2);
    transponder.symbolRate = satellite.cBand ? 30000 : (index % 3 == 0 ? 22000 : 27500);
    transponder.fecInner = index % 3 == 0 ? 2 : 3; // 2/3 or 3/4
    return transponder;
}
} // namespace

void buildSampleChannelList(ChannelDatabase& database) {
    database.clear();
    database.layout = 1;
    database.headerFlags = ChannelDatabase::favoritesFlag;
    database.lnbConfigs = lnbTable();
    database.lnbConfigCount = std::uint8_t(database.lnbConfigs.size());
    database.favoriteGroupCount = groupCount;
    for (int g = 0; g < groupCount; ++g)
        database.favoriteGroups[std::size_t(g)].name = groupNames[g];

    int tvMade = 0;
    int radioMade = 0;
    std::uint16_t serviceId = 1;
    for (const SatelliteSample& sample : satelliteSamples) {
        Satellite satellite;
        satellite.name = sample.name;
        satellite.lnbConfigIndex = sample.lnbConfigIndex;
        SatelliteNode* satelliteNode = database.appendSatellite(satellite);
        for (int t = 0; t < sample.transponders; ++t) {
            TransponderNode* transponder =
                database.appendTransponder(satelliteNode, sampleTransponder(sample, t));
            // Six TV and two radio programs on most transponders, fewer on every third.
            const int tvHere = t % 3 == 2 ? 4 : 6;
            const int radioHere = t % 3 == 2 ? 1 : 2;
            for (int p = 0; p < tvHere + radioHere; ++p, ++serviceId) {
                const bool tv = p < tvHere;
                const int made = tv ? tvMade++ : radioMade++;
                Program program;
                program.serviceId = serviceId;
                const std::uint16_t base = std::uint16_t(0x100 + 0x20 * p);
                program.pmtPid = base;
                if (tv) {
                    const int stem = made % int(std::size(tvStems));
                    const int kind =
                        (made / int(std::size(tvStems)) + made) % int(std::size(tvKinds));
                    program.name = QByteArray(tvStems[stem]) + tvKinds[kind];
                    program.videoPid = std::uint16_t(base + 1);
                    program.pcrPid = program.videoPid;
                    program.teletextPid =
                        made % 4 == 0 ? std::uint16_t(base + 5) : ChannelLimits::noPid;
                    if (made % 7 == 3)
                        program.programFlags = 0x90; // scrambled
                } else {
                    const int stem = (made * 7) % int(std::size(tvStems));
                    program.name = "Radio " + QByteArray(tvStems[stem]) +
                                   radioKinds[made % int(std::size(radioKinds))];
                    program.pcrPid = std::uint16_t(base + 2);
                }
                program.audioTracks[0] = {std::uint16_t(base + 2), sample.languages[0]};
                program.audioCount = 1;
                if (tv && made % 3 != 2) {
                    program.audioTracks[1] = {std::uint16_t(base + 3), sample.languages[1]};
                    program.audioCount = 2;
                }
                if (tv && made % 5 == 0) {
                    program.audioTracks[program.audioCount] = {std::uint16_t((base + 4) | ac3Flag),
                                                               sample.languages[0]};
                    ++program.audioCount;
                }
                program.audioSelection = 0;
                const int group = groupOf(program.name);
                if (group >= 0)
                    program.favoriteMask = std::uint8_t(0x80 | (1u << group));
                ProgramNode* node = database.appendProgram(transponder, program);
                if (group >= 0) {
                    FavoriteGroup& favorites = database.favoriteGroups[std::size_t(group)];
                    (tv ? favorites.tvMembers : favorites.radioMembers).push_back(node);
                }
            }
        }
    }
    database.renumber();
}
