#include "channels/channel_data_compare.h"
#include "channels/channel_database.h"
#include "channels/channel_file_generator.h"
#include "channels/channel_file_reader.h"
#include "channels/channel_file_writer.h"
#include "tests/channels/cdf_bytes.h"
#include "tests/channels/qt_print.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

// Layout 1 with every section: two LNB configurations, satellites "Astra" and "Hot", three
// transponders (two on Hot), TV programs "One" (on transponder 1, two audio tracks) and
// "Two" (transponder 2), radio program "Radio" (transponder 0), one favourite group "Fav"
// with TV member Two then One and radio member Radio.
CdfBytes fullLayout1Body(std::uint8_t flags) {
    const bool extra = flags & 0x08;
    CdfBytes body;
    body.u8(2)
        .u16(9750)
        .u16(10600)
        .u8s({1, 2, 0x21, 3, 1, 2})
        .u16(5150)
        .u16(5150)
        .u8s({4, 0, 0, 255, 0, 0});
    body.u8(2).satellite1("Astra", 0).satellite1("Hot", 16);
    body.u16(3).transponder(0, 11362000).transponder(1, 12000000).transponder(1, 12500000);
    body.u16(2)
        .program(1, true, 0x0200, 0x81, "One", {0x8100, 0x0101}, extra)
        .program(2, true, 0x0300, 0x81, "Two", {}, extra);
    body.u16(1).program(0, false, 0, 0x81, "Radio", {0x0111}, extra);
    if (flags & 0x04)
        body.u8(1).string("Fav").u16(2).u16(1).u16(0).u16(1).u16(0);
    return body;
}

QByteArray fullLayout1File(std::uint8_t flags = 0x0C) {
    return fullLayout1Body(flags).file(1, flags);
}

QString writeTempFile(const QString& name, const QByteArray& bytes) {
    const QString path = QDir(TestEnvironment::root()).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

} // namespace

TEST(ChannelFileReader, SmallestFilesOfBothLayouts) {
    CdfBytes layout2;
    layout2.u8(0).u16(0).u16(0).u16(0);
    const QByteArray smallest2 = layout2.file(2, 0);
    EXPECT_EQ(smallest2.size(), 24);
    EXPECT_EQ(smallest2[10], 10);
    CdfBytes layout1;
    layout1.u8(0).u8(0).u16(0).u16(0).u16(0);
    const QByteArray smallest1 = layout1.file(1, 0);
    EXPECT_EQ(smallest1.size(), 25);
    EXPECT_EQ(smallest1[10], 11);

    for (const QByteArray& file : {smallest1, smallest2}) {
        ChannelDatabase db;
        ASSERT_EQ(readChannelImage(db, file), 0);
        EXPECT_EQ(db.layout, file[3]);
        EXPECT_EQ(db.satelliteCount(), 0);
        EXPECT_EQ(db.savedDay, 7);
        EXPECT_EQ(db.savedMonth, 3);
        EXPECT_EQ(db.savedYear, 25);
        EXPECT_EQ(db.savedHour, 12);
        EXPECT_EQ(db.savedMinute, 45);
    }
}

TEST(ChannelFileReader, ReadsEverySectionOfLayoutOne) {
    ChannelDatabase db;
    ASSERT_EQ(readChannelImage(db, fullLayout1File(0x0C)), 0);
    EXPECT_EQ(db.headerFlags, 0x0C);
    ASSERT_EQ(db.lnbConfigCount, 2);
    EXPECT_EQ(db.lnbConfigs[0], (LnbConfig{9750, 10600, 1, 2, 0x21, 3, 1, 2}));
    EXPECT_EQ(db.lnbConfigs[1].diseqcPort, 255);
    ASSERT_EQ(db.satelliteCount(), 2);
    const SatelliteNode* astra = db.satelliteAt(0);
    const SatelliteNode* hot = db.satelliteAt(1);
    EXPECT_EQ(astra->name, "Astra");
    EXPECT_EQ(astra->satelliteTag, 0x11);
    EXPECT_EQ(hot->lnbConfigIndex, 16);
    EXPECT_NE(db.lnbConfigAt(astra->lnbConfigIndex), nullptr);
    EXPECT_EQ(db.lnbConfigAt(hot->lnbConfigIndex), nullptr);
    ASSERT_EQ(astra->transponderCount(), 1);
    ASSERT_EQ(hot->transponderCount(), 2);
    EXPECT_EQ(hot->transponderAt(1)->frequency, 12500000u);
    EXPECT_EQ(hot->transponderAt(1)->symbolRate, 27500);
    EXPECT_EQ(hot->transponderAt(1)->fecInner, 3);

    ASSERT_EQ(db.tvList.size(), 2u);
    ProgramNode* one = db.tvList[0];
    EXPECT_EQ(one->name, "One");
    EXPECT_EQ(one->transponder(), hot->transponderAt(0));
    EXPECT_EQ(one->satelliteIndex, 1);
    EXPECT_EQ(one->videoPid, 0x0200);
    EXPECT_EQ(one->extraWord, 0xBEEF);
    EXPECT_EQ(one->audioCount, 2);
    EXPECT_EQ(one->audioTracks[0], (AudioTrack{0x8100, 0}));
    EXPECT_EQ(one->audioTracks[1], (AudioTrack{0x0101, 1}));
    EXPECT_EQ(one->audioSelection, 0xFF);
    ASSERT_EQ(db.radioList.size(), 1u);
    const ProgramNode* radio = db.radioList[0];
    EXPECT_EQ(radio->videoPid, 0x7FFF);
    EXPECT_EQ(radio->pmtPid, 0x0404);
    EXPECT_EQ(radio->transponder(), astra->transponderAt(0));
    EXPECT_EQ(astra->transponderAt(0)->radioCount(), 1);
    EXPECT_EQ(hot->transponderAt(0)->tvCount(), 1);

    ASSERT_EQ(db.favoriteGroupCount, 1);
    EXPECT_EQ(db.favoriteGroups[0].name, "Fav");
    EXPECT_EQ(db.favoriteGroups[0].tvMembers, (std::vector<ProgramNode*>{db.tvList[1], one}));
    EXPECT_EQ(db.favoriteGroups[0].radioMembers, std::vector<ProgramNode*>{db.radioList[0]});
}

TEST(ChannelFileReader, WithoutTheFavouritesBitThereAreNoGroups) {
    ChannelDatabase db;
    db.favoriteGroups[3].name = "Kept";
    ASSERT_EQ(readChannelImage(db, fullLayout1File(0x08)), 0);
    EXPECT_EQ(db.favoriteGroupCount, 0);
    EXPECT_TRUE(db.favoriteGroups[0].tvMembers.empty());
    EXPECT_EQ(db.favoriteGroups[3].name, "Kept");
}

TEST(ChannelFileReader, AFileOverwritesOnlyTheGroupNamesItHas) {
    ChannelDatabase db;
    for (auto& group : db.favoriteGroups)
        group.name = "old";
    ASSERT_EQ(readChannelImage(db, fullLayout1File(0x0C)), 0);
    EXPECT_EQ(db.favoriteGroups[0].name, "Fav");
    EXPECT_EQ(db.favoriteGroups[1].name, "old");
    EXPECT_EQ(db.favoriteGroups[7].name, "old");
}

TEST(ChannelFileReader, LayoutTwoSharedPortByteAndSkew) {
    for (std::uint8_t flags : {std::uint8_t(0), std::uint8_t(0x01)}) {
        SCOPED_TRACE(flags);
        CdfBytes body;
        body.u8(2);
        // Positioner in use: byte 7 is the position.
        body.u16(9750).u16(10600).u8s({0x52, 5, 0x10, 5, 0x80}).u16(std::uint16_t(-192)).u8(7);
        if (flags)
            body.u8s({1, 90, 45});
        body.string("Pos");
        // No positioner: byte 7 is the DiSEqC port.
        body.u16(5150).u16(5150).u8s({0x01, 1, 0x10, 3, 0x00}).u16(130).u8(8);
        if (flags)
            body.u8s({0, 0, 0});
        body.string("Port");
        body.u16(0).u16(0).u16(0);
        const QByteArray file = body.file(2, flags);

        ChannelDatabase db;
        ASSERT_EQ(readChannelImage(db, file), 0);
        const SatelliteNode* positioned = db.satelliteAt(0);
        EXPECT_EQ(positioned->positionerIndex, 5);
        EXPECT_EQ(positioned->diseqcPort, 0);
        EXPECT_EQ(positioned->orbitalPosition, -192);
        EXPECT_EQ(positioned->satelliteTag, 7);
        EXPECT_EQ(positioned->lnbControl, 0x52);
        EXPECT_EQ(positioned->skewV, flags ? 90 : 0);
        EXPECT_EQ(positioned->name, "Pos");
        const SatelliteNode* ported = db.satelliteAt(1);
        EXPECT_EQ(ported->diseqcPort, 3);
        EXPECT_EQ(ported->positionerIndex, 0);
        EXPECT_EQ(ported->orbitalPosition, 130);

        // Written back, byte 7 holds the same byte again.
        QByteArray written;
        ASSERT_EQ(encodeChannelImage(db, written), 0);
        EXPECT_EQ(written, file);
        EXPECT_EQ(written[14 + 1 + 7], 5);
    }
}

TEST(ChannelFileReader, ATvRecordWithoutVideoPidBecomesARadioProgram) {
    CdfBytes body;
    body.u8(0).u8(1).satellite1("S").u16(1).transponder(0, 1);
    body.u16(2).program(0, true, 0x7FFF, 0x81, "NoVideo").program(0, true, 0x0100, 0x81, "TV");
    body.u16(1).program(0, false, 0, 0x81, "Radio");
    // Group 0 lists TV table positions 0 and 1 and radio table position 0.
    body.u8(1).string("G").u16(2).u16(0).u16(1).u16(1).u16(0);
    ChannelDatabase db;
    ASSERT_EQ(readChannelImage(db, body.file(1, 0x04)), 0);
    ASSERT_EQ(db.tvList.size(), 1u);
    EXPECT_EQ(db.tvList[0]->name, "TV");
    ASSERT_EQ(db.radioList.size(), 2u);
    EXPECT_EQ(db.radioList[0]->name, "NoVideo");
    EXPECT_EQ(db.radioList[1]->name, "Radio");
    // The member from the TV table follows its program into the radio members.
    EXPECT_EQ(db.favoriteGroups[0].tvMembers, std::vector<ProgramNode*>{db.tvList[0]});
    EXPECT_EQ(db.favoriteGroups[0].radioMembers,
              (std::vector<ProgramNode*>{db.radioList[0], db.radioList[1]}));
    EXPECT_TRUE(db.assignListPositions());
}

TEST(ChannelFileReader, TranspondersOutOfSatelliteOrderGoUnderTheirSatellites) {
    CdfBytes body;
    body.u8(0).u8(2).satellite1("A").satellite1("B");
    body.u16(3).transponder(1, 100).transponder(0, 200).transponder(1, 300);
    body.u16(1).program(0, true, 0x100, 0, "on B 100").u16(1).program(1, false, 0, 0, "on A");
    ChannelDatabase db;
    ASSERT_EQ(readChannelImage(db, body.file(1, 0)), 0);
    const SatelliteNode* a = db.satelliteAt(0);
    const SatelliteNode* b = db.satelliteAt(1);
    ASSERT_EQ(a->transponderCount(), 1);
    ASSERT_EQ(b->transponderCount(), 2);
    EXPECT_EQ(a->transponderAt(0)->frequency, 200u);
    EXPECT_EQ(b->transponderAt(0)->frequency, 100u);
    EXPECT_EQ(b->transponderAt(1)->frequency, 300u);
    EXPECT_EQ(db.tvList[0]->transponder(), b->transponderAt(0));
    EXPECT_EQ(db.radioList[0]->transponder(), a->transponderAt(0));
}

TEST(ChannelFileReader, QuickCheckFailuresLeaveTheDatabaseAlone) {
    ChannelDatabase db;
    ASSERT_EQ(readChannelImage(db, fullLayout1File()), 0);
    const QByteArray good = fullLayout1File();
    QByteArray newline = good + "\n";
    newline[10] = char(newline[10] + 1);
    const struct {
        const char* what;
        QByteArray bytes;
        int result;
    } cases[] = {
        {"length one too small", fullLayout1Body(0x0C).file(1, 0x0C, -1), -3},
        {"length one too large", fullLayout1Body(0x0C).file(1, 0x0C, +1), -3},
        {"line break after END", newline, -3},
        {"13 bytes", good.left(13), -2},
        {"wrong magic", QByteArray("CDX") + good.mid(3), -3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(readChannelImage(db, c.bytes), c.result);
        ChannelDatabase reference;
        readChannelImage(reference, good);
        EXPECT_EQ(firstChannelDataDifference(db, reference), "");
    }
}

TEST(ChannelFileReader, BodiesThatBreakTheirOwnTablesAreRefusedWithoutTrace) {
    const auto body = [](auto&& edit) {
        CdfBytes bytes;
        edit(bytes);
        return bytes.file(1, 0x04);
    };
    const auto oneSatellite = [](CdfBytes& b) { b.u8(0).u8(1).satellite1("S"); };
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"transponder on a satellite that does not exist", body([&](CdfBytes& b) {
             oneSatellite(b);
             b.u16(1).transponder(1, 0).u16(0).u16(0).u8(0);
         })},
        {"program on a transponder that does not exist", body([&](CdfBytes& b) {
             oneSatellite(b);
             b.u16(1).transponder(0, 0).u16(1).program(1, true, 0x100, 0, "x");
             b.u16(0).u8(0);
         })},
        {"radio program with no transponder at all", body([&](CdfBytes& b) {
             oneSatellite(b);
             b.u16(0).u16(0).u16(1).program(0, false, 0, 0, "x").u8(0);
         })},
        {"27 audio tracks", body([&](CdfBytes& b) {
             oneSatellite(b);
             b.u16(1).transponder(0, 0).u16(1);
             b.u16(0).u16(1).u16(2).u16(0x100).u16(3).u8(0).u8(0).u16(4).string("x");
             b.u8(0).u8(27);
             for (int i = 0; i < 27; ++i)
                 b.u16(0x100).u8(0);
             b.u16(0).u8(0);
         })},
        {"nine favourite groups", body([&](CdfBytes& b) {
             oneSatellite(b);
             b.u16(0).u16(0).u16(0).u8(9);
             for (int i = 0; i < 9; ++i)
                 b.string("g").u16(0).u16(0);
         })},
        {"TV member beyond the TV table", body([&](CdfBytes& b) {
             oneSatellite(b);
             b.u16(1).transponder(0, 0).u16(1).program(0, true, 0x100, 1, "x").u16(0);
             b.u8(1).string("g").u16(1).u16(1).u16(0);
         })},
        {"radio member beyond the radio table", body([&](CdfBytes& b) {
             oneSatellite(b);
             b.u16(1).transponder(0, 0).u16(0).u16(1).program(0, false, 0, 1, "x");
             b.u8(1).string("g").u16(0).u16(1).u16(1);
         })},
        {"more LNB configurations than bytes", body([&](CdfBytes& b) { b.u8(200).u8(0); })},
        {"satellite name running into the trailer", body([&](CdfBytes& b) {
             b.u8(0).u8(1).u8s({0, 0, 0, 0}).u8(40).u8s({'a', 'b'});
         })},
        {"more satellites than bytes",
         body([&](CdfBytes& b) { b.u8(0).u8(3).satellite1("S").u16(0).u16(0).u16(0).u8(0); })},
        {"transponder count cut short", body([&](CdfBytes& b) {
             oneSatellite(b);
             b.u8(0);
         })},
        {"more transponders than bytes",
         body([&](CdfBytes& b) { b.u8(0).u8(0).u16(5000).transponder(0, 0); })},
        {"more TV programs than bytes", body([&](CdfBytes& b) {
             oneSatellite(b);
             b.u16(1).transponder(0, 0).u16(60000).program(0, true, 0x100, 0, "x");
         })},
        {"audio tracks beyond the body", body([&](CdfBytes& b) {
             oneSatellite(b);
             b.u16(1).transponder(0, 0).u16(0).u16(1);
             b.u16(0).u16(1).u16(2).u16(3).u8(0).u8(0).u16(4).string("x").u8(0).u8(26);
         })},
        {"member count beyond the body", body([&](CdfBytes& b) {
             oneSatellite(b);
             b.u16(0).u16(0).u16(0).u8(1).string("g").u16(30000);
         })},
        {"favourites section cut short",
         body([&](CdfBytes& b) { b.u8(0).u8(0).u16(0).u16(0).u16(0); })},
    };
    const QByteArray good = fullLayout1File();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ChannelDatabase db;
        ASSERT_EQ(readChannelImage(db, good), 0);
        db.favoriteGroups[6].name = "before";
        EXPECT_EQ(readChannelImage(db, c.bytes), -3);
        ChannelDatabase reference;
        readChannelImage(reference, good);
        reference.favoriteGroups[6].name = "before";
        EXPECT_EQ(firstChannelDataDifference(db, reference), "");
    }
}

TEST(ChannelFileReader, BytesBetweenTheLastSectionAndTheTrailerAreIgnored) {
    CdfBytes body;
    body.u8(0).u8(0).u16(0).u16(0).u16(0).u8s({1, 2, 3});
    ChannelDatabase db;
    EXPECT_EQ(readChannelImage(db, body.file(1, 0)), 0);
}

TEST(ChannelFileReader, UnknownLayoutLeavesTheDatabaseClearedWithTheFileHeader) {
    ChannelDatabase db;
    ASSERT_EQ(readChannelImage(db, fullLayout1File()), 0);
    db.favoriteGroups[0].name = "Mine";
    CdfBytes body;
    body.u8(0).u16(0).u16(0).u16(0);
    EXPECT_EQ(readChannelImage(db, body.file(3, 0x05)), -3);
    EXPECT_EQ(db.satelliteCount(), 0);
    EXPECT_TRUE(db.tvList.empty());
    EXPECT_EQ(db.favoriteGroupCount, 0);
    EXPECT_EQ(db.lnbConfigCount, 0);
    EXPECT_EQ(db.layout, 3);
    EXPECT_EQ(db.headerFlags, 0x05);
    EXPECT_EQ(db.savedYear, 25);
    EXPECT_EQ(db.favoriteGroups[0].name, "Mine");
}

TEST(ChannelFileReader, ReadChannelFileResults) {
    ChannelDatabase db;
    EXPECT_EQ(readChannelFile(db, QDir(TestEnvironment::root()).filePath("missing.cdf")), -1);
    EXPECT_EQ(readChannelFile(db, TestEnvironment::root()), -1) << "a directory";
    EXPECT_EQ(readChannelFile(db, writeTempFile("short.cdf", "CDF\x01")), -2);
    EXPECT_EQ(readChannelFile(db, writeTempFile("bad.cdf", fullLayout1File() + "x")), -3);
    EXPECT_EQ(db.satelliteCount(), 0);
    ASSERT_EQ(readChannelFile(db, writeTempFile("good.cdf", fullLayout1File())), 0);
    EXPECT_EQ(db.satelliteCount(), 2);
}

TEST(ChannelFileReader, GeneratedFilesReadBackAsGenerated) {
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
        for (std::uint8_t layout : {1, 2}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " layout " << int(layout));
            QByteArray image;
            ChannelDatabase expected;
            ASSERT_EQ(generateChannelImage({.seed = seed,
                                            .layout = layout,
                                            .headerFlags = std::uint8_t(0xF0 | seed),
                                            .programs = int(seed * 37)},
                                           image, &expected),
                      0);
            ChannelDatabase db;
            ASSERT_EQ(readChannelImage(db, image), 0);
            EXPECT_EQ(firstChannelDataDifference(db, expected), "");
        }
    }
}
