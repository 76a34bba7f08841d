#include "channels/channel_database.h"
#include "channels/channel_file_generator.h"
#include "channels/channel_file_reader.h"
#include "channels/channel_file_writer.h"
#include "channels/channel_reference_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <unordered_map>

namespace {

std::vector<ProgramNode*> treeOrder(const ChannelDatabase& database) {
    std::vector<ProgramNode*> programs;
    for (const auto& satellite : database.satellites())
        for (const auto& transponder : satellite->transponders())
            for (const auto& program : transponder->programs())
                programs.push_back(program.get());
    return programs;
}

std::uint8_t maskFor(const ChannelDatabase& database, const ProgramNode* program) {
    std::uint8_t mask = 0;
    for (int g = 0; g < database.favoriteGroupCount; ++g) {
        const FavoriteGroup& group = database.favoriteGroups[std::size_t(g)];
        const auto& members = program->isTv() ? group.tvMembers : group.radioMembers;
        if (std::find(members.begin(), members.end(), program) != members.end())
            mask |= std::uint8_t(1u << g);
    }
    if (mask && database.favoriteGroupCount < 8)
        mask |= 0x80;
    return mask;
}

} // namespace

// The reference is the same file after a rescan: its lists shuffled, some programs gone, some
// new ones, one transponder 1.5 MHz off (still the same), one 2.5 MHz off (another one), one
// program with a new service ID (found by its name), and favourite groups of its own.
TEST(ReferenceOrder, MatchedTakeTheReferencesOrderAndGroupsTheRestFollow) {
    for (std::uint8_t layout : {1, 2}) {
        SCOPED_TRACE(int(layout));
        QByteArray image;
        ASSERT_EQ(generateChannelImage({.seed = 4242, .layout = layout, .programs = 600}, image),
                  0);
        ChannelDatabase own;
        ChannelDatabase reference;
        ASSERT_EQ(readChannelImage(own, image), 0);
        ASSERT_EQ(readChannelImage(reference, image), 0);
        ASSERT_GT(own.favoriteGroupCount, 0);
        ASSERT_LT(own.favoriteGroupCount, 8);
        const std::vector<ProgramNode*> ownPrograms = treeOrder(own);
        const std::vector<ProgramNode*> refPrograms = treeOrder(reference);
        std::unordered_map<const ProgramNode*, ProgramNode*> partner;
        for (std::size_t i = 0; i < refPrograms.size(); ++i)
            partner[refPrograms[i]] = ownPrograms[i];

        std::mt19937 random(layout);
        std::shuffle(reference.tvList.begin(), reference.tvList.end(), random);
        std::shuffle(reference.radioList.begin(), reference.radioList.end(), random);
        std::set<const ProgramNode*> gone; // own programs without a partner
        for (std::size_t i = 0; i < refPrograms.size(); i += 9) {
            gone.insert(ownPrograms[i]);
            partner.erase(refPrograms[i]);
            reference.deleteProgram(refPrograms[i]->transponder(), refPrograms[i]);
        }
        // Transponders with programs left: one slightly off, one off by more than 2 MHz.
        std::vector<TransponderNode*> moved;
        for (const auto& satellite : reference.satellites())
            for (const auto& transponder : satellite->transponders())
                if (transponder->programCount() > 0 && moved.size() < 3)
                    moved.push_back(transponder.get());
        ASSERT_GE(moved.size(), 3u);
        moved[0]->frequency += 1500;
        moved[1]->frequency += 2500;
        for (const auto& p : moved[1]->programs()) {
            gone.insert(partner[p.get()]);
            partner.erase(p.get());
        }
        ProgramNode* renamedId = moved[2]->programAt(0);
        renamedId->name = "unique name for the name fallback";
        partner[renamedId]->name = renamedId->name;
        renamedId->serviceId ^= 0x5A5A;
        for (int n = 0; n < 5; ++n) {
            Program extra;
            extra.name = "new " + QByteArray::number(n);
            extra.serviceId = std::uint16_t(0xF000 + n);
            extra.videoPid = n % 2 ? ChannelLimits::noPid : 0x100;
            ASSERT_TRUE(reference.appendProgram(moved[0], extra));
        }
        std::rotate(reference.tvList.begin(), reference.tvList.end() - 2, reference.tvList.end());
        // Eight groups in the reference: bit 7 becomes group 8.
        reference.favoriteGroupCount = 8;
        for (int g = 0; g < 8; ++g) {
            FavoriteGroup& group = reference.favoriteGroups[std::size_t(g)];
            group.name = "Reference " + QByteArray::number(g + 1);
            group.tvMembers.assign(reference.tvList.begin() + g, reference.tvList.begin() + g + 7);
            group.radioMembers.assign(reference.radioList.rbegin(),
                                      reference.radioList.rbegin() + g);
        }

        // What the result must be, worked out from the construction.
        const auto expectedList = [&](const std::vector<ProgramNode*>& refList,
                                      const std::vector<ProgramNode*>& ownList) {
            std::vector<ProgramNode*> list;
            for (const ProgramNode* p : refList)
                if (partner.count(p))
                    list.push_back(partner[p]);
            const std::size_t matched = list.size();
            for (ProgramNode* p : ownList)
                if (gone.count(p))
                    list.push_back(p);
            return std::pair{list, matched};
        };
        const auto [tvList, tvMatched] = expectedList(reference.tvList, own.tvList);
        const auto [radioList, radioMatched] = expectedList(reference.radioList, own.radioList);
        std::vector<FavoriteGroup> groups(8);
        for (int g = 0; g < 8; ++g) {
            const FavoriteGroup& source = reference.favoriteGroups[std::size_t(g)];
            FavoriteGroup& group = groups[std::size_t(g)];
            group.name = source.name;
            for (const ProgramNode* p : source.tvMembers)
                if (partner.count(p))
                    group.tvMembers.push_back(partner[p]);
            for (const ProgramNode* p : source.radioMembers)
                if (partner.count(p))
                    group.radioMembers.push_back(partner[p]);
            if (g < own.favoriteGroupCount) {
                const FavoriteGroup& mine = own.favoriteGroups[std::size_t(g)];
                for (ProgramNode* p : mine.tvMembers)
                    if (gone.count(p))
                        group.tvMembers.push_back(p);
                for (ProgramNode* p : mine.radioMembers)
                    if (gone.count(p))
                        group.radioMembers.push_back(p);
            }
        }
        ASSERT_GT(std::count_if(gone.begin(), gone.end(),
                                [](const ProgramNode* p) { return p->favoriteMask != 0; }),
                  0);

        ChannelOrder order = channelOrderOf(own);
        const ReferenceOrderCounts counts =
            orderFromReference(own, order, &Program::favoriteMask, reference);
        adoptChannelOrder(own, std::move(order));

        EXPECT_EQ(counts,
                  (ReferenceOrderCounts{int(tvMatched), int(tvList.size() - tvMatched),
                                        int(radioMatched), int(radioList.size() - radioMatched)}));
        EXPECT_EQ(own.tvList, tvList);
        EXPECT_EQ(own.radioList, radioList);
        ASSERT_EQ(own.favoriteGroupCount, 8);
        for (int g = 0; g < 8; ++g) {
            SCOPED_TRACE(g);
            EXPECT_EQ(own.favoriteGroups[std::size_t(g)].name, groups[std::size_t(g)].name);
            EXPECT_EQ(own.favoriteGroups[std::size_t(g)].tvMembers,
                      groups[std::size_t(g)].tvMembers);
            EXPECT_EQ(own.favoriteGroups[std::size_t(g)].radioMembers,
                      groups[std::size_t(g)].radioMembers);
        }
        for (const ProgramNode* p : ownPrograms)
            ASSERT_EQ(p->favoriteMask, maskFor(own, p));
        QByteArray written;
        EXPECT_EQ(encodeChannelImage(own, written), 0);
    }
}

// Group counts and the meaning of bit 7: the count grows to the larger of the two; a
// reference without groups, or a file that cannot store them, leaves groups and masks alone.
TEST(ReferenceOrder, GroupCountAndBitSevenFollowTheResult) {
    struct Case {
        int ownGroups;
        int referenceGroups;
        bool ownStoresGroups;
        int wantGroups;
        std::uint8_t wantMatchedMask;   // the matched program, in reference group 1
        std::uint8_t wantUnmatchedMask; // the unmatched one, in own group 2 (0x82 before)
    };
    const Case cases[] = {
        {4, 4, true, 4, 0x81, 0x82}, {4, 8, true, 8, 0x01, 0x02},  {8, 4, true, 8, 0x01, 0x02},
        {4, 0, true, 4, 0x84, 0x82}, {4, 4, false, 4, 0x84, 0x82},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.ownGroups << " " << c.referenceGroups << " " << c.ownStoresGroups);
        ChannelDatabase own;
        ChannelDatabase reference;
        for (ChannelDatabase* database : {&own, &reference}) {
            database->headerFlags = ChannelDatabase::favoritesFlag;
            Satellite satellite;
            satellite.name = "Sat";
            TransponderNode* transponder = database->appendTransponder(
                database->appendSatellite(satellite), Transponder{.frequency = 11000000});
            Program matched;
            matched.name = "Both";
            matched.serviceId = 1;
            matched.videoPid = 0x100;
            database->appendProgram(transponder, matched);
        }
        if (!c.ownStoresGroups)
            own.headerFlags = 0;
        Program single;
        single.name = "Own only";
        single.serviceId = 2;
        single.videoPid = 0x101;
        ProgramNode* unmatched = own.appendProgram(own.satelliteAt(0)->transponderAt(0), single);
        ProgramNode* matched = own.tvList[0];
        own.favoriteGroupCount = std::uint8_t(c.ownGroups);
        matched->favoriteMask = c.ownGroups < 8 ? 0x84 : 0x04;
        own.favoriteGroups[2].tvMembers = {matched};
        unmatched->favoriteMask = c.ownGroups < 8 ? 0x82 : 0x02;
        own.favoriteGroups[1].tvMembers = {unmatched};
        reference.favoriteGroupCount = std::uint8_t(c.referenceGroups);
        reference.favoriteGroups[0].tvMembers = {reference.tvList[0]};
        reference.tvList[0]->favoriteMask = c.referenceGroups < 8 ? 0x81 : 0x01;

        ChannelOrder order = channelOrderOf(own);
        const ReferenceOrderCounts counts =
            orderFromReference(own, order, &Program::favoriteMask, reference);
        adoptChannelOrder(own, std::move(order));
        EXPECT_EQ(counts, (ReferenceOrderCounts{1, 1, 0, 0}));
        EXPECT_EQ(own.favoriteGroupCount, c.wantGroups);
        EXPECT_EQ(matched->favoriteMask, c.wantMatchedMask);
        EXPECT_EQ(unmatched->favoriteMask, c.wantUnmatchedMask);
        EXPECT_EQ(maskFor(own, matched) & 0x7F, c.wantMatchedMask & 0x7F);
        EXPECT_EQ(maskFor(own, unmatched) & 0x7F, c.wantUnmatchedMask & 0x7F);
    }
}
