#include "channels/channel_data_compare.h"
#include "channels/channel_database.h"
#include "channels/channel_file_format.h"
#include "channels/channel_file_generator.h"
#include "channels/channel_file_messages.h"
#include "channels/channel_file_reader.h"
#include "channels/channel_file_writer.h"
#include "tests/channels/qt_print.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QByteArray withoutSavedTime(QByteArray image) {
    if (image.size() >= 10)
        image.replace(5, 5, QByteArray(5, '\0'));
    return image;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString tempPath(const QString& name) {
    return QDir(TestEnvironment::root()).filePath(name);
}

// One satellite with one transponder and one TV program, ready to be written.
struct OneProgram {
    ChannelDatabase db;
    ProgramNode* program;
    OneProgram() {
        db.layout = 2;
        TransponderNode* transponder = db.appendTransponder(db.appendSatellite({}), {});
        Program record;
        record.videoPid = 0x0100;
        program = db.appendProgram(transponder, record);
    }
};

} // namespace

TEST(ChannelFileWriter, ReadThenWriteGivesTheSameBytesForEveryLayoutAndFlagCombination) {
    for (std::uint8_t layout : {1, 2}) {
        for (int flags = 0; flags < 16; ++flags) {
            for (int programs : {0, 1, 120}) {
                SCOPED_TRACE(testing::Message() << "layout " << int(layout) << " flags " << flags
                                                << " programs " << programs);
                const ChannelGeneratorOptions options{
                    .seed = std::uint32_t(1000 + flags * 7 + programs + layout),
                    .layout = layout,
                    .headerFlags = std::uint8_t(flags),
                    .programs = programs};
                QByteArray image;
                ASSERT_EQ(generateChannelImage(options, image), 0);

                ChannelDatabase db;
                ASSERT_EQ(readChannelImage(db, image), 0);
                QByteArray encoded;
                ASSERT_EQ(encodeChannelImage(db, encoded), 0);
                EXPECT_EQ(encoded, image);

                const QString path = tempPath("roundtrip.cdf");
                ASSERT_EQ(writeChannelFile(db, path), 0);
                const QByteArray written = readAll(path);
                EXPECT_EQ(withoutSavedTime(written), withoutSavedTime(image));
                ChannelDatabase reread;
                ASSERT_EQ(readChannelImage(reread, written), 0);
                EXPECT_EQ(firstChannelDataDifference(reread, db), "");
            }
        }
    }
}

TEST(ChannelFileWriter, RegroupsATransponderTableThatIsNotGroupedBySatellite) {
    int interleaved = 0;
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        ChannelGeneratorOptions options{.seed = seed, .layout = 2, .programs = 300};
        QByteArray grouped;
        ASSERT_EQ(generateChannelImage(options, grouped), 0);
        options.scatterTransponders = true;
        QByteArray scattered;
        ChannelDatabase expected;
        ASSERT_EQ(generateChannelImage(options, scattered, &expected), 0);
        if (scattered == grouped)
            continue; // only one satellite with transponders: nothing to interleave
        ++interleaved;

        ChannelDatabase db;
        ASSERT_EQ(readChannelImage(db, scattered), 0);
        EXPECT_EQ(firstChannelDataDifference(db, expected), "");
        // Written back, the table is grouped by satellite, each satellite's transponders in
        // the order the file gave them, and every program points to its transponder's new
        // position: the very file that was never scattered.
        QByteArray encoded;
        ASSERT_EQ(encodeChannelImage(db, encoded), 0);
        EXPECT_EQ(encoded, grouped);
    }
    EXPECT_GE(interleaved, 6);
}

TEST(ChannelFileWriter, SmallestFiles) {
    for (std::uint8_t layout : {1, 2}) {
        ChannelDatabase db;
        db.layout = layout;
        QByteArray image;
        ASSERT_EQ(encodeChannelImage(db, image), 0);
        EXPECT_EQ(image.size(), layout == 1 ? 25 : 24);
        EXPECT_EQ(image[10], layout == 1 ? 11 : 10);
        EXPECT_TRUE(image.startsWith("CDF"));
        EXPECT_TRUE(image.endsWith("END"));
    }
}

TEST(ChannelFileWriter, FavouritesSectionFollowsTheHeaderBit) {
    OneProgram s;
    s.db.favoriteGroupCount = 2;
    s.db.favoriteGroups[0].name = "A";
    s.db.favoriteGroups[1].tvMembers = {s.program};
    QByteArray without;
    ASSERT_EQ(encodeChannelImage(s.db, without), 0);
    EXPECT_EQ(s.db.favoriteGroupCount, 0);

    s.db.headerFlags = ChannelDatabase::favoritesFlag;
    s.db.favoriteGroupCount = 2;
    QByteArray with;
    ASSERT_EQ(encodeChannelImage(s.db, with), 0);
    // Group count, then "A" with no members, then "" with one TV member at position 0.
    const QByteArray section("\x02\x01"
                             "A\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00",
                             14);
    EXPECT_EQ(with.size(), without.size() + section.size());
    EXPECT_EQ(with.mid(with.size() - 3 - section.size(), section.size()), section);

    ChannelDatabase reread;
    ASSERT_EQ(readChannelImage(reread, with), 0);
    ASSERT_EQ(reread.favoriteGroupCount, 2);
    EXPECT_EQ(reread.favoriteGroups[1].tvMembers, reread.tvList);
}

TEST(ChannelFileWriter, ProgramsOnTheSecondSatelliteCountTheFirstSatellitesTransponders) {
    ChannelDatabase db;
    db.layout = 2;
    SatelliteNode* first = db.appendSatellite({});
    db.appendTransponder(first, {});
    db.appendTransponder(first, {});
    TransponderNode* target = db.appendTransponder(db.appendSatellite({}), {});
    db.appendProgram(target, Program{});
    QByteArray image;
    ASSERT_EQ(encodeChannelImage(db, image), 0);
    // Header, satellite count, two 13-byte layout-2 satellites, transponder count, three
    // transponders, TV count, then the radio program's transponder position.
    const int radioRecord = 14 + 1 + 2 * 13 + 2 + 3 * 11 + 2 + 2;
    EXPECT_EQ(image[radioRecord], 2);
    EXPECT_EQ(image[radioRecord + 1], 0);
    EXPECT_EQ(image[14 + 1 + 2 * 13 + 2 + 2 * 11], 1) << "the third transponder's satellite";
}

TEST(ChannelFileWriter, NamesAreBytesAndLongNamesAreCutTo255) {
    OneProgram s;
    QByteArray allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes += char(i);
    s.program->name = allBytes.left(255);
    s.db.satelliteAt(0)->name = allBytes + "tail";
    QByteArray image;
    ASSERT_EQ(encodeChannelImage(s.db, image), 0);
    EXPECT_EQ(s.db.satelliteAt(0)->name.size(), 260) << "the record keeps its whole name";
    ChannelDatabase reread;
    ASSERT_EQ(readChannelImage(reread, image), 0);
    EXPECT_EQ(reread.satelliteAt(0)->name, allBytes.left(255));
    EXPECT_EQ(reread.tvList[0]->name, allBytes.left(255));
}

TEST(ChannelFileWriter, VideoPidsSetDirectlyAreSettledBeforeWriting) {
    OneProgram s;
    s.program->videoPid = 0x7FFF;
    QByteArray image;
    ASSERT_EQ(encodeChannelImage(s.db, image), 0);
    EXPECT_TRUE(s.program->isRadio());
    ChannelDatabase reread;
    ASSERT_EQ(readChannelImage(reread, image), 0);
    EXPECT_TRUE(reread.tvList.empty());
    EXPECT_EQ(reread.radioList.size(), 1u);
}

TEST(ChannelFileWriter, DatabasesTheFormatCannotHoldAreSerializerErrors) {
    const auto refused = [](ChannelDatabase& db) {
        QByteArray image("untouched");
        const int result = encodeChannelImage(db, image);
        return result == -2 && image == "untouched";
    };
    {
        OneProgram s;
        s.db.layout = 3;
        EXPECT_TRUE(refused(s.db)) << "unknown layout";
    }
    for (int entries : {1, 3}) {
        OneProgram s;
        s.db.layout = 1;
        s.db.lnbConfigCount = 2;
        s.db.lnbConfigs.resize(std::size_t(entries));
        EXPECT_TRUE(refused(s.db)) << entries << " LNB entries for a count of 2";
    }
    {
        OneProgram s;
        s.db.headerFlags = ChannelDatabase::favoritesFlag;
        s.db.favoriteGroupCount = 9;
        EXPECT_TRUE(refused(s.db)) << "nine groups";
    }
    {
        OneProgram s;
        s.program->audioCount = 27;
        EXPECT_TRUE(refused(s.db)) << "27 audio tracks";
    }
    {
        OneProgram s;
        s.db.tvList.clear();
        EXPECT_TRUE(refused(s.db)) << "a program missing from its list";
    }
    {
        OneProgram s;
        s.db.headerFlags = ChannelDatabase::favoritesFlag;
        s.db.favoriteGroupCount = 1;
        s.db.favoriteGroups[0].radioMembers = {s.program};
        EXPECT_TRUE(refused(s.db)) << "a TV program among radio members";
    }
}

TEST(ChannelFileWriter, FillsTheBufferExactlyAndRefusesOneByteMore) {
    QByteArray image;
    ChannelDatabase db;
    ASSERT_EQ(
        generateChannelImage({.seed = 9, .programs = ChannelGeneratorOptions::asMany}, image, &db),
        0);
    EXPECT_LE(image.size(), ChannelFileFormat::maxFileSize);
    EXPECT_GT(image.size(), ChannelFileFormat::maxFileSize - 8000);
    QByteArray encoded;
    ASSERT_EQ(encodeChannelImage(db, encoded), 0);
    EXPECT_EQ(encoded, image);

    // Radio programs (17 bytes with the extra word, and the name) fill the rest, a longer
    // name the last bytes.
    ASSERT_EQ(db.headerFlags, 0x0F);
    TransponderNode* transponder = db.tvList.front()->transponder();
    qsizetype room = ChannelFileFormat::maxFileSize - image.size();
    while (room >= 17) {
        Program filler;
        filler.name = QByteArray(std::min<qsizetype>(255, room - 17), 'f');
        room -= 17 + filler.name.size();
        ASSERT_NE(db.appendProgram(transponder, filler), nullptr);
    }
    ProgramNode* shortName = nullptr;
    for (ProgramNode* program : db.tvList)
        if (program->name.size() + room + 1 <= 255)
            shortName = program;
    ASSERT_NE(shortName, nullptr);
    shortName->name += QByteArray(room, 'x');
    ASSERT_EQ(encodeChannelImage(db, encoded), 0);
    EXPECT_EQ(encoded.size(), ChannelFileFormat::maxFileSize);

    shortName->name += 'x';
    const QString path = tempPath("too-large.cdf");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old contents");
    old.close();
    QByteArray untouched("untouched");
    EXPECT_EQ(encodeChannelImage(db, untouched), -2);
    EXPECT_EQ(untouched, "untouched");
    EXPECT_EQ(writeChannelFile(db, path), -2);
    EXPECT_EQ(readAll(path), "old contents");
}

TEST(ChannelFileWriter, SavingStampsTheLocalTime) {
    ChannelDatabase db;
    stampSavedTime(db, QDateTime(QDate(2031, 12, 24), QTime(18, 5)));
    EXPECT_EQ(db.savedDay, 24);
    EXPECT_EQ(db.savedMonth, 12);
    EXPECT_EQ(db.savedYear, 31);
    EXPECT_EQ(db.savedHour, 18);
    EXPECT_EQ(db.savedMinute, 5);

    const QDateTime before = QDateTime::currentDateTime();
    const QString path = tempPath("stamped.cdf");
    ASSERT_EQ(writeChannelFile(db, path), 0);
    const QDateTime after = QDateTime::currentDateTime();
    const QByteArray written = readAll(path);
    ASSERT_EQ(written.size(), 25);
    const QDateTime saved(QDate(2000 + written[7], written[6], written[5]),
                          QTime(written[8], written[9]));
    EXPECT_GE(saved.addSecs(60), before);
    EXPECT_LE(saved, after);
    EXPECT_EQ(db.savedMinute, std::uint8_t(written[9]));
}

TEST(ChannelFileMessages, TextsForEveryResult) {
    EXPECT_EQ(channelReadResultText(0), "");
    EXPECT_EQ(channelReadResultText(-1), "Cannot open the file");
    EXPECT_EQ(channelReadResultText(-2), "Cannot read the file...");
    EXPECT_EQ(channelReadResultText(-3), "Invalid CDF format...");
    EXPECT_EQ(channelReadResultText(-10), "Loading failed...");
    EXPECT_EQ(channelWriteResultText(0), "");
    EXPECT_EQ(channelWriteResultText(-1), "File creation error.");
    EXPECT_EQ(channelWriteResultText(-2), "DB error.");
    EXPECT_EQ(channelWriteResultText(-7), "DB error.");
}
