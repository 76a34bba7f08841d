#include "channels/channel_database.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

Program tvProgram(const char* name, std::uint16_t videoPid = 0x0100) {
    Program program;
    program.name = name;
    program.videoPid = videoPid;
    return program;
}

Program radioProgram(const char* name) {
    Program program;
    program.name = name;
    return program;
}

// Satellite "A" without transponders; satellite "B" with transponders b0 (TV t1, radio r1,
// TV t2), b1 (empty) and b2 (radio r2); satellite "C" with an empty transponder.
struct SmallDatabase {
    ChannelDatabase db;
    SatelliteNode* a;
    SatelliteNode* b;
    SatelliteNode* c;
    TransponderNode* b0;
    TransponderNode* b1;
    TransponderNode* b2;
    ProgramNode* t1;
    ProgramNode* r1;
    ProgramNode* t2;
    ProgramNode* r2;

    SmallDatabase() {
        a = db.appendSatellite({.name = "A"});
        b = db.appendSatellite({.name = "B"});
        c = db.appendSatellite({.name = "C"});
        b0 = db.appendTransponder(b, {});
        b1 = db.appendTransponder(b, {});
        b2 = db.appendTransponder(b, {});
        db.appendTransponder(c, {});
        t1 = db.appendProgram(b0, tvProgram("t1"));
        r1 = db.appendProgram(b0, radioProgram("r1"));
        t2 = db.appendProgram(b0, tvProgram("t2"));
        r2 = db.appendProgram(b2, radioProgram("r2"));
    }
};

} // namespace

TEST(ChannelDatabase, NewRecordsCarryTheEditorDefaults) {
    const Transponder transponder;
    EXPECT_EQ(transponder.frequency, 0u);
    EXPECT_EQ(transponder.symbolRate, 0);
    EXPECT_EQ(transponder.transponderFlags, 0xA0);
    EXPECT_EQ(transponder.polarization, 0);
    EXPECT_EQ(transponder.fecInner, 0);
    EXPECT_EQ(transponder.transponderExtra, 0);

    const Program program;
    EXPECT_EQ(program.serviceId, 0xFFFF);
    for (std::uint16_t pid :
         {program.pcrPid, program.videoPid, program.teletextPid, program.pmtPid})
        EXPECT_EQ(pid, 0x7FFF);
    EXPECT_EQ(program.programFlags, 0);
    EXPECT_EQ(program.favoriteMask, 0);
    EXPECT_EQ(program.extraWord, 0);
    EXPECT_TRUE(program.name.isEmpty());
    EXPECT_EQ(program.audioSelection, 255);
    EXPECT_EQ(program.audioCount, 0);

    const ChannelDatabase db;
    EXPECT_EQ(db.layout, 1);
    EXPECT_EQ(db.headerFlags, 0);
    EXPECT_EQ(db.satelliteCount(), 0);
}

TEST(ChannelDatabase, AppendsCountAndListProgramsByKind) {
    SmallDatabase s;
    EXPECT_EQ(s.db.satelliteCount(), 3);
    EXPECT_EQ(s.a->transponderCount(), 0);
    EXPECT_EQ(s.b->transponderCount(), 3);
    EXPECT_EQ(s.db.transponderTotal(), 4);
    EXPECT_EQ(s.b0->tvCount(), 2);
    EXPECT_EQ(s.b0->radioCount(), 1);
    EXPECT_EQ(s.b0->programCount(), 3);
    EXPECT_EQ(s.b0->indexOf(s.t2), 2);
    EXPECT_EQ(s.t2->transponder(), s.b0);
    EXPECT_EQ(s.b0->satellite(), s.b);
    EXPECT_EQ(s.db.tvList, (std::vector<ProgramNode*>{s.t1, s.t2}));
    EXPECT_EQ(s.db.radioList, (std::vector<ProgramNode*>{s.r1, s.r2}));

    // A new program has no video PID: a radio program at the end of radioList.
    ProgramNode* fresh = s.db.appendProgram(s.b1, Program{});
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(fresh->isRadio());
    EXPECT_EQ(s.db.radioList.back(), fresh);
    EXPECT_EQ(s.b1->radioCount(), 1);
}

TEST(ChannelDatabase, AppendRefusesForeignParentsAndTheSatelliteLimit) {
    SmallDatabase s;
    ChannelDatabase other;
    SatelliteNode* foreign = other.appendSatellite({});
    TransponderNode* foreignTransponder = other.appendTransponder(foreign, {});
    EXPECT_EQ(s.db.appendTransponder(foreign, {}), nullptr);
    EXPECT_EQ(s.db.appendTransponder(nullptr, {}), nullptr);
    EXPECT_EQ(s.db.appendProgram(foreignTransponder, tvProgram("x")), nullptr);
    EXPECT_EQ(s.db.appendProgram(nullptr, tvProgram("x")), nullptr);
    EXPECT_EQ(s.db.transponderTotal(), 4);
    EXPECT_EQ(s.db.tvList.size(), 2u);
    EXPECT_TRUE(other.tvList.empty());

    ChannelDatabase full;
    for (int i = 0; i < 255; ++i)
        ASSERT_NE(full.appendSatellite({}), nullptr);
    EXPECT_EQ(full.appendSatellite({}), nullptr);
    EXPECT_EQ(full.satelliteCount(), 255);
}

TEST(ChannelDatabase, DeleteProgramLeavesNoReferenceBehind) {
    SmallDatabase s;
    s.db.favoriteGroupCount = 3;
    // t1 is in groups 0 and 2; its mask also has bit 5, a group not in use.
    s.t1->favoriteMask = 0x01 | 0x04 | 0x20;
    s.db.favoriteGroups[0].tvMembers = {s.t2, s.t1};
    s.db.favoriteGroups[1].tvMembers = {s.t2};
    s.db.favoriteGroups[2].tvMembers = {s.t1};
    // An inconsistent reference: group 1's bit is not in t1's mask, yet it lists t1 too. It
    // must go as well, or the list would keep a freed program.
    s.db.favoriteGroups[1].tvMembers.push_back(s.t1);

    EXPECT_TRUE(s.db.deleteProgram(s.b0, s.t1));
    EXPECT_EQ(s.b0->tvCount(), 1);
    EXPECT_EQ(s.b0->radioCount(), 1);
    EXPECT_EQ(s.db.tvList, std::vector<ProgramNode*>{s.t2});
    EXPECT_EQ(s.db.favoriteGroups[0].tvMembers, std::vector<ProgramNode*>{s.t2});
    EXPECT_EQ(s.db.favoriteGroups[1].tvMembers, std::vector<ProgramNode*>{s.t2});
    EXPECT_TRUE(s.db.favoriteGroups[2].tvMembers.empty());
    EXPECT_EQ(s.b0->programCount(), 2);
    EXPECT_EQ(s.b0->programAt(0), s.r1);

    // A program of another transponder is refused and nothing changes.
    EXPECT_FALSE(s.db.deleteProgram(s.b1, s.r2));
    EXPECT_EQ(s.db.radioList.size(), 2u);
    EXPECT_EQ(s.b2->radioCount(), 1);
}

TEST(ChannelDatabase, DeleteTransponderDeletesItsProgramsEverywhere) {
    SmallDatabase s;
    s.db.favoriteGroupCount = 1;
    s.db.favoriteGroups[0].tvMembers = {s.t2};
    s.db.favoriteGroups[0].radioMembers = {s.r2, s.r1};
    s.t2->favoriteMask = s.r1->favoriteMask = s.r2->favoriteMask = 0x81;

    EXPECT_TRUE(s.db.deleteTransponder(s.b, s.b0));
    EXPECT_EQ(s.b->transponderCount(), 2);
    EXPECT_EQ(s.db.transponderTotal(), 3);
    EXPECT_TRUE(s.db.tvList.empty());
    EXPECT_EQ(s.db.radioList, std::vector<ProgramNode*>{s.r2});
    EXPECT_TRUE(s.db.favoriteGroups[0].tvMembers.empty());
    EXPECT_EQ(s.db.favoriteGroups[0].radioMembers, std::vector<ProgramNode*>{s.r2});
    EXPECT_EQ(s.b->transponderAt(0), s.b1);

    EXPECT_FALSE(s.db.deleteTransponder(s.c, s.b1));
    EXPECT_EQ(s.b->transponderCount(), 2);
}

TEST(ChannelDatabase, RenumberCountsEmptyTranspondersAndSkipsSatellitesWithoutPrograms) {
    SmallDatabase s;
    EXPECT_EQ(s.db.renumber(), 4);
    // A has no transponders and C only an empty one: only B owns programs.
    ASSERT_EQ(s.db.programSatellites.size(), 1u);
    EXPECT_EQ(s.db.programSatellites[0].satelliteIndex, 1);
    EXPECT_EQ(s.db.programSatellites[0].name, "B");
    EXPECT_EQ(s.t1->transponderIndex, 0);
    EXPECT_EQ(s.t2->satelliteIndex, 1);
    // b1 holds no program but still takes position 1.
    EXPECT_EQ(s.r2->transponderIndex, 2);

    ProgramNode* onC = s.db.appendProgram(s.db.satelliteAt(2)->transponderAt(0), Program{});
    EXPECT_EQ(s.db.renumber(), 4);
    EXPECT_EQ(onC->transponderIndex, 3);
    EXPECT_EQ(onC->satelliteIndex, 2);
    ASSERT_EQ(s.db.programSatellites.size(), 2u);
    EXPECT_EQ(s.db.programSatellites[1].satelliteIndex, 2);

    ChannelDatabase empty;
    empty.appendTransponder(empty.appendSatellite({}), {});
    EXPECT_EQ(empty.renumber(), 1);
    EXPECT_TRUE(empty.programSatellites.empty());
}

TEST(ChannelDatabase, RenumberListsEverySatelliteThatOwnsPrograms) {
    // The table is not cut at 64 entries: every satellite with programs can be chosen.
    ChannelDatabase db;
    for (int i = 0; i < 100; ++i)
        db.appendProgram(db.appendTransponder(db.appendSatellite({}), {}), Program{});
    EXPECT_EQ(db.renumber(), 100);
    ASSERT_EQ(db.programSatellites.size(), 100u);
    EXPECT_EQ(db.programSatellites[99].satelliteIndex, 99);
}

TEST(ChannelDatabase, SetVideoPidMovesTheProgramBetweenListsCountsAndGroups) {
    SmallDatabase s;
    s.db.favoriteGroupCount = 2;
    s.t1->favoriteMask = 0x82;
    s.db.favoriteGroups[1].tvMembers = {s.t1, s.t2};
    s.db.favoriteGroups[1].radioMembers = {s.r2};

    // Another PID of the same kind moves nothing.
    EXPECT_EQ(s.db.setVideoPid(s.t1, 0x0222), ChannelDatabase::VideoPidResult::set);
    EXPECT_EQ(s.t1->videoPid, 0x0222);
    EXPECT_EQ(s.db.tvList.front(), s.t1);

    // TV to radio: to the end of radioList and of the group's radio members.
    EXPECT_EQ(s.db.setVideoPid(s.t1, 0x7FFF), ChannelDatabase::VideoPidResult::moved);
    EXPECT_TRUE(s.t1->isRadio());
    EXPECT_EQ(s.db.tvList, std::vector<ProgramNode*>{s.t2});
    EXPECT_EQ(s.db.radioList, (std::vector<ProgramNode*>{s.r1, s.r2, s.t1}));
    EXPECT_EQ(s.b0->tvCount(), 1);
    EXPECT_EQ(s.b0->radioCount(), 2);
    EXPECT_EQ(s.db.favoriteGroups[1].tvMembers, std::vector<ProgramNode*>{s.t2});
    EXPECT_EQ(s.db.favoriteGroups[1].radioMembers, (std::vector<ProgramNode*>{s.r2, s.t1}));
    EXPECT_EQ(s.t1->favoriteMask, 0x82);

    // And back.
    EXPECT_EQ(s.db.setVideoPid(s.t1, 0x0101), ChannelDatabase::VideoPidResult::moved);
    EXPECT_EQ(s.db.tvList, (std::vector<ProgramNode*>{s.t2, s.t1}));
    EXPECT_EQ(s.db.favoriteGroups[1].tvMembers, (std::vector<ProgramNode*>{s.t2, s.t1}));
    EXPECT_EQ(s.b0->tvCount(), 2);
    EXPECT_TRUE(s.db.assignListPositions());
}

// A move into a list that already holds the most a file can count is refused whole, so that
// the next save does not fail on it.
TEST(ChannelDatabase, SetVideoPidRefusesToMoveIntoAFullList) {
    using Result = ChannelDatabase::VideoPidResult;
    ChannelDatabase db;
    TransponderNode* transponder = db.appendTransponder(db.appendSatellite({}), {});
    for (int i = 0; i < ChannelLimits::maxProgramsPerList; ++i)
        ASSERT_NE(db.appendProgram(transponder, tvProgram("tv")), nullptr);
    ProgramNode* radio = db.appendProgram(transponder, radioProgram("radio"));
    ASSERT_NE(radio, nullptr);
    db.favoriteGroupCount = 1;
    radio->favoriteMask = 0x01;
    db.favoriteGroups[0].radioMembers = {radio};

    EXPECT_EQ(db.setVideoPid(radio, 0x0200), Result::listFull);
    EXPECT_EQ(radio->videoPid, ChannelLimits::noPid);
    EXPECT_TRUE(radio->isRadio());
    EXPECT_EQ(db.tvList.size(), std::size_t(ChannelLimits::maxProgramsPerList));
    EXPECT_EQ(db.radioList, std::vector<ProgramNode*>{radio});
    EXPECT_EQ(transponder->tvCount(), ChannelLimits::maxProgramsPerList);
    EXPECT_EQ(transponder->radioCount(), 1);
    EXPECT_EQ(db.favoriteGroups[0].radioMembers, std::vector<ProgramNode*>{radio});
    EXPECT_TRUE(db.favoriteGroups[0].tvMembers.empty());
    EXPECT_EQ(db.setVideoPid(nullptr, 0x0200), Result::notFound);

    // Once a TV program has left, there is room again.
    ProgramNode* first = db.tvList.front();
    EXPECT_EQ(db.setVideoPid(first, ChannelLimits::noPid), Result::moved);
    EXPECT_EQ(db.setVideoPid(radio, 0x0200), Result::moved);
    EXPECT_EQ(db.tvList.back(), radio);
    EXPECT_EQ(db.radioList, std::vector<ProgramNode*>{first});
    EXPECT_TRUE(db.assignListPositions());
}

TEST(ChannelDatabase, SettleProgramKindsFollowsVideoPidsSetDirectly) {
    SmallDatabase s;
    s.r1->videoPid = 0x0300;
    s.t2->videoPid = 0x7FFF;
    // A field written directly does not move the program by itself.
    EXPECT_TRUE(s.r1->isRadio());
    EXPECT_EQ(s.db.settleProgramKinds(), 2);
    EXPECT_TRUE(s.r1->isTv());
    EXPECT_TRUE(s.t2->isRadio());
    EXPECT_EQ(s.db.tvList, (std::vector<ProgramNode*>{s.t1, s.r1}));
    EXPECT_EQ(s.db.radioList, (std::vector<ProgramNode*>{s.r2, s.t2}));
    EXPECT_EQ(s.db.settleProgramKinds(), 0);
}

TEST(ChannelDatabase, AssignListPositionsRefusesListsThatDoNotMatchTheTree) {
    SmallDatabase s;
    ASSERT_TRUE(s.db.assignListPositions());
    EXPECT_EQ(s.t2->listPosition, 1);
    EXPECT_EQ(s.r2->listPosition, 1);

    s.db.tvList = {s.t1, s.t1};
    EXPECT_FALSE(s.db.assignListPositions()) << "a program listed twice";
    s.db.tvList = {s.t1};
    EXPECT_FALSE(s.db.assignListPositions()) << "a program missing";
    s.db.tvList = {s.t1, s.r1};
    EXPECT_FALSE(s.db.assignListPositions()) << "a radio program in the TV list";
    s.db.tvList = {s.t2, s.t1};
    EXPECT_TRUE(s.db.assignListPositions());

    s.db.favoriteGroupCount = 1;
    s.db.favoriteGroups[0].radioMembers = {s.t1};
    EXPECT_FALSE(s.db.assignListPositions()) << "a TV program among the radio members";
    s.db.favoriteGroupCount = 0;
    EXPECT_TRUE(s.db.assignListPositions()) << "groups not in use are not looked at";
}

TEST(ChannelDatabase, ClearKeepsHeaderValuesAndGroupNames) {
    SmallDatabase s;
    s.db.layout = 2;
    s.db.headerFlags = 0x0D;
    s.db.savedDay = 9;
    s.db.lnbConfigs.resize(2);
    s.db.lnbConfigCount = 2;
    s.db.favoriteGroupCount = 2;
    s.db.favoriteGroups[0].name = "News";
    s.db.favoriteGroups[5].name = "Later";
    s.db.favoriteGroups[0].tvMembers = {s.t1};
    s.db.renumber();

    s.db.clear();
    EXPECT_EQ(s.db.satelliteCount(), 0);
    EXPECT_EQ(s.db.transponderTotal(), 0);
    EXPECT_TRUE(s.db.tvList.empty());
    EXPECT_TRUE(s.db.radioList.empty());
    EXPECT_TRUE(s.db.favoriteGroups[0].tvMembers.empty());
    EXPECT_EQ(s.db.favoriteGroupCount, 0);
    EXPECT_EQ(s.db.lnbConfigCount, 0);
    EXPECT_TRUE(s.db.lnbConfigs.empty());
    EXPECT_TRUE(s.db.programSatellites.empty());
    EXPECT_EQ(s.db.layout, 2);
    EXPECT_EQ(s.db.headerFlags, 0x0D);
    EXPECT_EQ(s.db.savedDay, 9);
    EXPECT_EQ(s.db.favoriteGroups[0].name, "News");
    EXPECT_EQ(s.db.favoriteGroups[5].name, "Later");
}

TEST(ChannelDatabase, LnbConfigAtOnlyForLayoutOneEntriesInUse) {
    ChannelDatabase db;
    db.lnbConfigs.resize(3);
    db.lnbConfigs[2].lnbFrequency1 = 5150;
    db.lnbConfigCount = 3;
    ASSERT_NE(db.lnbConfigAt(2), nullptr);
    EXPECT_EQ(db.lnbConfigAt(2)->lnbFrequency1, 5150);
    EXPECT_EQ(db.lnbConfigAt(3), nullptr);
    EXPECT_EQ(db.lnbConfigAt(16), nullptr);
    db.lnbConfigCount = 2;
    EXPECT_EQ(db.lnbConfigAt(2), nullptr);
    db.layout = 2;
    EXPECT_EQ(db.lnbConfigAt(0), nullptr);
}

TEST(ChannelDatabase, MovingKeepsNodeHandles) {
    SmallDatabase s;
    ChannelDatabase moved = std::move(s.db);
    EXPECT_EQ(moved.satelliteAt(1), s.b);
    EXPECT_EQ(moved.tvList.front(), s.t1);
    EXPECT_TRUE(moved.deleteProgram(s.b0, s.t1));
    EXPECT_EQ(moved.tvList, std::vector<ProgramNode*>{s.t2});
}
