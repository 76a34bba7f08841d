#include "channels/channel_file_generator.h"

#include "channels/byte_writer.h"
#include "channels/channel_database.h"
#include "channels/channel_file_format.h"

#include <algorithm>
#include <random>
#include <unordered_map>
#include <vector>

namespace {
// Room left for the favourites section when filling a file to the brim.
constexpr int maxMembersPerGroupAndKind = 40;

class Dice {
public:
    explicit Dice(std::uint32_t seed) : m_engine(seed) {}

    // Uniform in [low, high]; the engine's output is fixed by the standard, and the mapping
    // here is our own, so the same seed gives the same file everywhere.
    int between(int low, int high) { return low + int(m_engine() % std::uint32_t(high - low + 1)); }
    bool chance(int percent) { return between(0, 99) < percent; }
    std::uint8_t byte() { return std::uint8_t(m_engine()); }
    std::uint16_t word() { return std::uint16_t(m_engine()); }
    std::uint16_t pidOrNone() { return chance(20) ? ChannelLimits::noPid : word(); }

    QByteArray name(int typicalLength) {
        int length = between(1, typicalLength);
        if (chance(8))
            length = 0;
        else if (chance(2))
            length = ChannelLimits::maxNameLength;
        QByteArray text(length, Qt::Uninitialized);
        for (char& c : text)
            c = char(byte());
        return text;
    }

    template <typename T>
    void shuffle(std::vector<T>& items) {
        for (std::size_t i = items.size(); i > 1; --i)
            std::swap(items[i - 1], items[std::size_t(between(0, int(i) - 1))]);
    }

private:
    std::mt19937 m_engine;
};

int stringSize(const QByteArray& text) {
    return 1 + int(text.size());
}

int programRecordSize(const Program& program, bool tv, bool extraWord) {
    return (tv ? 14 : 12) + (extraWord ? 2 : 0) + stringSize(program.name) + 2 +
           3 * program.audioCount;
}

Satellite randomSatellite(Dice& dice, const ChannelDatabase& database) {
    Satellite satellite;
    satellite.name = dice.name(20);
    satellite.satelliteTag = dice.byte();
    if (database.layout == 1) {
        satellite.lnbConfigIndex = std::uint8_t(dice.between(0, database.lnbConfigCount + 1));
        if (dice.chance(10))
            satellite.lnbConfigIndex = 16;
        satellite.positionerUsage = std::uint8_t(dice.between(0, 2));
        satellite.positionerIndex = dice.byte();
        return satellite;
    }
    satellite.lnbFrequency1 = dice.word();
    satellite.lnbFrequency2 = dice.word();
    satellite.lnbControl = dice.byte();
    satellite.lnbType = std::uint8_t(dice.between(0, 9));
    satellite.diseqcControl = dice.chance(50) ? 0x10 : 0;
    static constexpr std::uint8_t positionerControls[] = {0x00, 0x80, 0x81, 0x88, 0x7F, 0xFF};
    satellite.positionerControl = positionerControls[dice.between(0, 5)];
    // The file keeps one byte for both; the other field reads back as 0.
    if (satellite.usesPositioner())
        satellite.positionerIndex = dice.byte();
    else
        satellite.diseqcPort = dice.byte();
    satellite.orbitalPosition = std::int16_t(dice.word());
    if (database.headerFlags & ChannelDatabase::skewFlag) {
        satellite.skewEnabled = std::uint8_t(dice.between(0, 1));
        satellite.skewV = std::uint8_t(dice.between(0, 180));
        satellite.skewH = dice.byte();
    }
    return satellite;
}

Transponder randomTransponder(Dice& dice, int satelliteIndex) {
    Transponder transponder;
    transponder.satelliteIndex = std::uint8_t(satelliteIndex);
    transponder.symbolRate = dice.word();
    transponder.frequency = std::uint32_t(dice.word()) << 16 | dice.word();
    transponder.transponderFlags = dice.byte();
    transponder.polarization = std::uint8_t(dice.between(0, 1));
    transponder.fecInner = std::uint8_t(dice.between(0, 5));
    transponder.transponderExtra = dice.byte();
    return transponder;
}

Program randomProgram(Dice& dice, bool extraWord) {
    Program program;
    program.serviceId = dice.word();
    program.pcrPid = dice.pidOrNone();
    if (dice.chance(70)) {
        do
            program.videoPid = dice.word();
        while (program.videoPid == ChannelLimits::noPid);
    }
    program.teletextPid = dice.pidOrNone();
    program.programFlags = dice.byte();
    program.favoriteMask = dice.byte();
    program.pmtPid = dice.pidOrNone();
    program.extraWord = extraWord ? dice.word() : 0;
    program.name = dice.name(16);
    program.audioSelection = dice.byte();
    program.audioCount = std::uint8_t(dice.chance(3) ? dice.between(0, 26) : dice.between(0, 3));
    for (int a = 0; a < program.audioCount; ++a)
        program.audioTracks[std::size_t(a)] = {dice.word(), dice.byte()};
    return program;
}

struct FavoritePlan {
    int groups = 0;
    std::vector<int> tvMembers;
    std::vector<int> radioMembers;
    int size = 0;
};

FavoritePlan planFavorites(Dice& dice, ChannelDatabase& database) {
    FavoritePlan plan;
    if (!(database.headerFlags & ChannelDatabase::favoritesFlag))
        return plan;
    plan.groups = dice.chance(10) ? 0 : dice.between(1, ChannelLimits::maxFavoriteGroups);
    plan.size = 1;
    for (int g = 0; g < plan.groups; ++g) {
        database.favoriteGroups[std::size_t(g)].name = dice.name(12);
        plan.tvMembers.push_back(dice.between(0, maxMembersPerGroupAndKind));
        plan.radioMembers.push_back(dice.between(0, maxMembersPerGroupAndKind / 2));
        plan.size += stringSize(database.favoriteGroups[std::size_t(g)].name) + 4 +
                     2 * (plan.tvMembers.back() + plan.radioMembers.back());
    }
    return plan;
}

// Picks the members of each group among the programs of the list, then makes every
// program's favoriteMask say exactly which groups it is in (bit 7 marking "in some group"
// while fewer than eight groups exist).
void fillFavorites(Dice& dice, ChannelDatabase& database, const FavoritePlan& plan) {
    database.favoriteGroupCount = std::uint8_t(plan.groups);
    if (!(database.headerFlags & ChannelDatabase::favoritesFlag))
        return;
    for (ProgramNode* program : database.tvList)
        program->favoriteMask = 0;
    for (ProgramNode* program : database.radioList)
        program->favoriteMask = 0;
    const auto pick = [&](const std::vector<ProgramNode*>& list, int wanted, int group,
                          std::vector<ProgramNode*>& members) {
        std::vector<ProgramNode*> candidates = list;
        dice.shuffle(candidates);
        candidates.resize(std::min(candidates.size(), std::size_t(wanted)));
        for (ProgramNode* program : candidates) {
            members.push_back(program);
            program->favoriteMask |= std::uint8_t(1u << group);
            if (plan.groups < ChannelLimits::maxFavoriteGroups)
                program->favoriteMask |= 0x80;
        }
    };
    for (int g = 0; g < plan.groups; ++g) {
        FavoriteGroup& group = database.favoriteGroups[std::size_t(g)];
        pick(database.tvList, plan.tvMembers[std::size_t(g)], g, group.tvMembers);
        pick(database.radioList, plan.radioMembers[std::size_t(g)], g, group.radioMembers);
    }
}

// Writes the database as a file, its transponder table in `tableOrder`.
QByteArray emitImage(const ChannelDatabase& database,
                     const std::vector<const TransponderNode*>& tableOrder) {
    const bool skew = database.headerFlags & ChannelDatabase::skewFlag;
    const bool extraWord = database.headerFlags & ChannelDatabase::extraWordFlag;
    ByteWriter out(ChannelFileFormat::maxFileSize);
    out.bytes("CDF", 3);
    for (std::uint8_t value :
         {database.layout, database.headerFlags, database.savedDay, database.savedMonth,
          database.savedYear, database.savedHour, database.savedMinute})
        out.u8(value);
    out.u32(0);
    if (database.layout == 1) {
        out.u8(database.lnbConfigCount);
        for (const LnbConfig& c : database.lnbConfigs) {
            out.u16(c.lnbFrequency1);
            out.u16(c.lnbFrequency2);
            for (std::uint8_t value :
                 {c.lnbType, c.lnbPower, c.diseqcControl, c.diseqcPort, c.supply12V, c.tone22k})
                out.u8(value);
        }
    }
    out.u8(std::uint8_t(database.satelliteCount()));
    for (const auto& s : database.satellites()) {
        if (database.layout == 1) {
            for (std::uint8_t value :
                 {s->satelliteTag, s->lnbConfigIndex, s->positionerUsage, s->positionerIndex})
                out.u8(value);
        } else {
            out.u16(s->lnbFrequency1);
            out.u16(s->lnbFrequency2);
            out.u8(s->lnbControl);
            out.u8(s->lnbType);
            out.u8(s->diseqcControl);
            out.u8((s->positionerControl & 0x80) ? s->positionerIndex : s->diseqcPort);
            out.u8(s->positionerControl);
            out.i16(s->orbitalPosition);
            out.u8(s->satelliteTag);
            if (skew) {
                out.u8(s->skewEnabled);
                out.u8(s->skewV);
                out.u8(s->skewH);
            }
        }
        out.string(s->name);
    }
    out.u16(std::uint16_t(tableOrder.size()));
    for (const TransponderNode* t : tableOrder) {
        out.u8(t->satelliteIndex);
        out.u16(t->symbolRate);
        out.u32(t->frequency);
        for (std::uint8_t value :
             {t->transponderFlags, t->polarization, t->fecInner, t->transponderExtra})
            out.u8(value);
    }
    const auto emitPrograms = [&](const std::vector<ProgramNode*>& list, bool tv) {
        out.u16(std::uint16_t(list.size()));
        for (const ProgramNode* p : list) {
            out.u16(p->transponderIndex);
            out.u16(p->serviceId);
            out.u16(p->pcrPid);
            if (tv)
                out.u16(p->videoPid);
            out.u16(p->teletextPid);
            out.u8(p->programFlags);
            out.u8(p->favoriteMask);
            out.u16(p->pmtPid);
            if (extraWord)
                out.u16(p->extraWord);
            out.string(p->name);
            out.u8(p->audioSelection);
            out.u8(p->audioCount);
            for (int a = 0; a < p->audioCount; ++a) {
                out.u16(p->audioTracks[std::size_t(a)].audioPid);
                out.u8(p->audioTracks[std::size_t(a)].audioLanguage);
            }
        }
    };
    emitPrograms(database.tvList, true);
    emitPrograms(database.radioList, false);
    if (database.headerFlags & ChannelDatabase::favoritesFlag) {
        out.u8(database.favoriteGroupCount);
        for (int g = 0; g < database.favoriteGroupCount; ++g) {
            const FavoriteGroup& group = database.favoriteGroups[std::size_t(g)];
            out.string(group.name);
            for (const auto* members : {&group.tvMembers, &group.radioMembers}) {
                out.u16(std::uint16_t(members->size()));
                for (const ProgramNode* member : *members)
                    out.u16(member->listPosition);
            }
        }
    }
    out.bytes("END", 3);
    out.patchU32(10, std::uint32_t(out.position() - 14));
    return out.ok() ? out.take() : QByteArray();
}
} // namespace

int generateChannelImage(const ChannelGeneratorOptions& options, QByteArray& image,
                         ChannelDatabase* expected) {
    if ((options.layout != 1 && options.layout != 2) ||
        options.programs > 2 * ChannelLimits::maxProgramsPerList)
        return -1;
    Dice dice(options.seed);
    ChannelDatabase database;
    database.layout = options.layout;
    database.headerFlags = options.headerFlags;
    database.savedDay = std::uint8_t(dice.between(1, 28));
    database.savedMonth = std::uint8_t(dice.between(1, 12));
    database.savedYear = std::uint8_t(dice.between(0, 99));
    database.savedHour = std::uint8_t(dice.between(0, 23));
    database.savedMinute = std::uint8_t(dice.between(0, 59));
    const bool extraWord = database.headerFlags & ChannelDatabase::extraWordFlag;
    const bool fill = options.programs == ChannelGeneratorOptions::asMany;
    const int plannedPrograms = fill ? 20000 : std::max(0, options.programs);

    int size = int(ChannelFileFormat::headerSize + ChannelFileFormat::trailerSize) + 1 + 2 + 2 + 2;
    if (database.layout == 1) {
        database.lnbConfigCount = std::uint8_t(dice.chance(5) ? 0 : dice.between(1, 20));
        for (int i = 0; i < database.lnbConfigCount; ++i) {
            database.lnbConfigs.push_back(
                {dice.word(), dice.word(), std::uint8_t(dice.between(0, 4)),
                 std::uint8_t(dice.between(0, 3)), dice.byte(), dice.byte(),
                 std::uint8_t(dice.between(0, 1)), std::uint8_t(dice.between(0, 2))});
        }
        size += 1 + 10 * database.lnbConfigCount;
    }

    const int satelliteCount = dice.between(1, std::min(255, 3 + plannedPrograms / 40));
    const int transpondersWanted = std::min(60000, std::max(1, plannedPrograms / 12));
    std::vector<TransponderNode*> transponders;
    for (int s = 0; s < satelliteCount; ++s) {
        SatelliteNode* satellite = database.appendSatellite(randomSatellite(dice, database));
        size += stringSize(satellite->name) +
                (database.layout == 1
                     ? 4
                     : 12 + ((database.headerFlags & ChannelDatabase::skewFlag) ? 3 : 0));
        const int count =
            dice.chance(15) ? 0 : dice.between(0, 2 * transpondersWanted / satelliteCount + 1);
        for (int t = 0; t < count; ++t)
            transponders.push_back(
                database.appendTransponder(satellite, randomTransponder(dice, s)));
    }
    if (transponders.empty() && plannedPrograms > 0)
        transponders.push_back(
            database.appendTransponder(database.satelliteAt(0), randomTransponder(dice, 0)));
    size += 11 * int(transponders.size());

    const FavoritePlan favorites = planFavorites(dice, database);
    size += favorites.size;
    const int limit = int(ChannelFileFormat::maxFileSize);
    struct Placed {
        TransponderNode* transponder;
        Program program;
    };
    std::vector<Placed> tvPrograms;
    std::vector<Placed> radioPrograms;
    for (int made = 0; fill || made < plannedPrograms; ++made) {
        Program program = randomProgram(dice, extraWord);
        const int recordSize = programRecordSize(program, program.hasVideo(), extraWord);
        if (size + recordSize > limit) {
            if (fill)
                break;
            return -1;
        }
        size += recordSize;
        TransponderNode* transponder =
            transponders[std::size_t(dice.between(0, int(transponders.size()) - 1))];
        program.satelliteIndex = transponder->satelliteIndex;
        (program.hasVideo() ? tvPrograms : radioPrograms)
            .push_back({transponder, std::move(program)});
    }
    // The channel lists in an order of their own, not the order the programs were made in.
    // The file keeps no other order of a transponder's programs than that of the lists, so
    // they join their transponders in list order, TV first, as the reader will place them.
    dice.shuffle(tvPrograms);
    dice.shuffle(radioPrograms);
    for (auto* placed : {&tvPrograms, &radioPrograms})
        for (Placed& p : *placed)
            database.appendProgram(p.transponder, std::move(p.program));
    fillFavorites(dice, database, favorites);
    database.renumber();
    for (auto* list : {&database.tvList, &database.radioList})
        for (std::size_t i = 0; i < list->size(); ++i)
            (*list)[i]->listPosition = std::uint16_t(i);

    std::vector<const TransponderNode*> tableOrder;
    for (const auto& satellite : database.satellites())
        for (const auto& transponder : satellite->transponders())
            tableOrder.push_back(transponder.get());
    if (options.scatterTransponders) {
        // Interleave the satellites' transponders: shuffle whose turn each slot is, then give
        // each slot the next transponder of that satellite.
        Dice scatterDice(options.seed ^ 0x5CA77E4Du);
        std::vector<int> turns;
        for (const TransponderNode* transponder : tableOrder)
            turns.push_back(transponder->satelliteIndex);
        scatterDice.shuffle(turns);
        std::vector<int> nextOfSatellite(std::size_t(database.satelliteCount()), 0);
        std::unordered_map<const TransponderNode*, int> tablePosition;
        for (std::size_t slot = 0; slot < turns.size(); ++slot) {
            const SatelliteNode* satellite = database.satelliteAt(turns[slot]);
            const TransponderNode* transponder =
                satellite->transponderAt(nextOfSatellite[std::size_t(turns[slot])]++);
            tableOrder[slot] = transponder;
            tablePosition[transponder] = int(slot);
        }
        for (const auto& satellite : database.satellites())
            for (const auto& transponder : satellite->transponders())
                for (const auto& program : transponder->programs())
                    program->transponderIndex = std::uint16_t(tablePosition.at(transponder.get()));
    }

    QByteArray bytes = emitImage(database, tableOrder);
    if (bytes.isEmpty())
        return -1;
    image = std::move(bytes);
    if (expected)
        *expected = std::move(database);
    return 0;
}
