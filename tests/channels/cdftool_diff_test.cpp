#include "channels/channel_database.h"
#include "channels/channel_file_writer.h"
#include "channels/sample_channel_list.h"
#include "tests/channels/cdftool_run.h"
#include "tests/channels/qt_print.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <functional>

#include <gtest/gtest.h>

namespace {

// One satellite, one transponder, TV programs Alpha..Delta (service IDs 1..4), one radio
// program, four favourite groups with Alpha in the first.
ChannelDatabase smallFile() {
    ChannelDatabase database;
    database.layout = 2;
    database.headerFlags = ChannelDatabase::favoritesFlag;
    Satellite satellite;
    satellite.name = "Astra 19.2E";
    satellite.orbitalPosition = 192;
    Transponder transponder;
    transponder.frequency = 11953000;
    transponder.symbolRate = 27500;
    transponder.polarization = 1;
    TransponderNode* node =
        database.appendTransponder(database.appendSatellite(satellite), transponder);
    const char* names[] = {"Alpha", "Beta", "Gamma", "Delta"};
    for (int i = 0; i < 4; ++i) {
        Program program;
        program.name = names[i];
        program.serviceId = std::uint16_t(i + 1);
        program.videoPid = std::uint16_t(0x101 + i);
        database.appendProgram(node, program);
    }
    Program radio;
    radio.name = "Radio One";
    radio.serviceId = 10;
    database.appendProgram(node, radio);
    database.favoriteGroupCount = 4;
    const char* groupNames[] = {"News", "Films", "Sport", "Kids"};
    for (int g = 0; g < 4; ++g)
        database.favoriteGroups[std::size_t(g)].name = groupNames[g];
    database.tvList[0]->favoriteMask = 0x81;
    database.favoriteGroups[0].tvMembers = {database.tvList[0]};
    return database;
}

} // namespace

TEST(CdfToolDiff, NamesOneChangedPidOneMoveAndOneAddedProgram) {
    ChannelDatabase before = smallFile();
    ChannelDatabase after = smallFile();
    TransponderNode* transponder = after.satelliteAt(0)->transponderAt(0);
    after.tvList[1]->videoPid = 0x112;
    std::rotate(after.tvList.begin(), after.tvList.begin() + 3, after.tvList.end());
    Program added;
    added.name = "Epsilon";
    added.serviceId = 5;
    added.videoPid = 0x105;
    after.appendProgram(transponder, added);
    ASSERT_EQ(writeChannelFile(before, path("a.cdf")), 0);
    ASSERT_EQ(writeChannelFile(after, path("b.cdf")), 0);

    const ToolRun diff = cdftool({"diff", path("a.cdf"), path("b.cdf")});
    EXPECT_EQ(diff.exitCode, 1);
    EXPECT_EQ(diff.out, QByteArray("program added: \"Epsilon\" (TV, ID 0x0005) on \"Astra 19.2E\" "
                                   "11953000 kHz H\n"
                                   "program changed: \"Beta\" (TV, ID 0x0002) on \"Astra 19.2E\" "
                                   "11953000 kHz H: video PID 0x0102 -> 0x0112\n"
                                   "TV list: \"Delta\" (TV, ID 0x0004) moved from 4 to 1\n"));
    EXPECT_TRUE(diff.err.isEmpty());

    const ToolRun json = cdftool({"diff", "--json", path("a.cdf"), path("b.cdf")});
    EXPECT_EQ(json.exitCode, 1);
    const QJsonObject document = QJsonDocument::fromJson(json.out).object();
    EXPECT_FALSE(document["equal"].toBool());
    const QJsonArray differences = document["differences"].toArray();
    ASSERT_EQ(differences.size(), 3);
    EXPECT_EQ(
        differences[1].toObject(),
        (QJsonObject{{"area", "program"},
                     {"change", "changed"},
                     {"subject", "\"Beta\" (TV, ID 0x0002) on \"Astra 19.2E\" 11953000 kHz H"},
                     {"field", "video PID"},
                     {"old", "0x0102"},
                     {"new", "0x0112"}}));
    EXPECT_EQ(differences[2].toObject()["old"], "4");
    EXPECT_EQ(differences[2].toObject()["new"], "1");

    // A file saved again differs only in its saved time, which is not compared.
    ASSERT_EQ(cdftool({"resave", path("a.cdf"), path("a2.cdf")}).exitCode, 0);
    const ToolRun same = cdftool({"diff", "--json", path("a.cdf"), path("a2.cdf")});
    EXPECT_EQ(same.exitCode, 0);
    EXPECT_TRUE(QJsonDocument::fromJson(same.out).object()["equal"].toBool());
    EXPECT_EQ(cdftool({"diff", path("a.cdf"), path("a2.cdf")}).out, QByteArray());

    for (const QStringList& wrong : {QStringList{"diff", path("a.cdf")},
                                     QStringList{"diff", "--colour", path("a.cdf"), path("b.cdf")},
                                     QStringList{"diff", path("a.cdf"), path("missing.cdf")}})
        EXPECT_EQ(cdftool(wrong).exitCode, 2) << wrong.join(' ').toStdString();
}

// The command line takes the reference's order and groups and says what matched.
TEST(CdfToolReorder, WritesTheReferenceOrderAndPrintsTheCounts) {
    ChannelDatabase reference = smallFile();
    std::rotate(reference.tvList.begin(), reference.tvList.begin() + 3, reference.tvList.end());
    reference.favoriteGroups[1].name = "Movies";
    reference.favoriteGroups[1].tvMembers = {reference.tvList[0]};
    reference.tvList[0]->favoriteMask = 0x82;
    Program added;
    added.name = "Epsilon";
    added.serviceId = 5;
    added.videoPid = 0x105;
    reference.appendProgram(reference.satelliteAt(0)->transponderAt(0), added);
    ChannelDatabase own = smallFile();
    Program fresh;
    fresh.name = "Fresh";
    fresh.serviceId = 6;
    own.appendProgram(own.satelliteAt(0)->transponderAt(0), fresh);
    ASSERT_EQ(writeChannelFile(reference, path("ref.cdf")), 0);
    ASSERT_EQ(writeChannelFile(own, path("own.cdf")), 0);

    const ToolRun run =
        cdftool({"reorder", "--reference", path("ref.cdf"), path("own.cdf"), path("out.cdf")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QByteArray("TV programs: 4 matched, 0 not matched\n"
                                  "Radio programs: 1 matched, 1 not matched\n"));
    // Against the reference only the programs each side has alone remain, and Alpha's
    // membership (group 1 in both files) stays.
    const ToolRun diff = cdftool({"diff", path("out.cdf"), path("ref.cdf")});
    EXPECT_EQ(diff.out,
              QByteArray("program removed: \"Fresh\" (radio, ID 0x0006) on \"Astra 19.2E\" "
                         "11953000 kHz H\n"
                         "program added: \"Epsilon\" (TV, ID 0x0005) on \"Astra 19.2E\" "
                         "11953000 kHz H\n"));

    EXPECT_EQ(cdftool({"reorder", path("own.cdf"), path("out.cdf")}).exitCode, 2);
    EXPECT_EQ(
        cdftool({"reorder", "--reference", path("none.cdf"), path("own.cdf"), path("out2.cdf")})
            .exitCode,
        1);
    EXPECT_FALSE(QFile::exists(path("out2.cdf")));
}

// Edits made in the editor, each against the sample list: each is one change where it was
// made, however many programs lie under it.
TEST(CdfToolDiff, EditsInPlaceReadAsOneChangeEach) {
    ChannelDatabase sample;
    buildSampleChannelList(sample);
    ASSERT_EQ(writeChannelFile(sample, path("sample.cdf")), 0);
    const SatelliteNode& hotbird = *sample.satelliteAt(1);
    const TransponderNode& moved = *sample.satelliteAt(0)->transponderAt(2);
    const ProgramNode& dubbed = *sample.satelliteAt(0)->transponderAt(0)->programAt(0);
    ASSERT_GT(moved.programCount(), 1);
    ASSERT_EQ(dubbed.audioTracks[0].audioLanguage, 4); // "ger"
    const QString movedText = QStringLiteral("\"ASTRA 19.2E\" %1 kHz %2")
                                  .arg(moved.frequency)
                                  .arg(moved.polarization == 0 ? "V" : "H");
    const QString dubbedText = QStringLiteral("\"%1\" (TV, ID 0x%2) on \"ASTRA 19.2E\" %3 kHz %4")
                                   .arg(QString::fromLatin1(dubbed.name))
                                   .arg(dubbed.serviceId, 4, 16, QLatin1Char('0'))
                                   .arg(dubbed.transponder()->frequency)
                                   .arg(dubbed.transponder()->polarization == 0 ? "V" : "H");
    const QString renamed = QStringLiteral("satellite changed: \"HOTBIRD 13.0E\": name "
                                           "\"HOTBIRD 13.0E\" -> \"HOT BIRD 13E\"\n");
    const QString frequency =
        QStringLiteral("transponder changed: %1: frequency %2 kHz -> %3 kHz\n")
            .arg(movedText)
            .arg(moved.frequency)
            .arg(moved.frequency + 40000);
    const int hotbirdCount = hotbird.transponderCount();

    const struct {
        const char* what;
        std::function<void(ChannelDatabase&)> edit;
        QString lines;
    } cases[] = {
        {"satellite renamed", [](ChannelDatabase& d) { d.satelliteAt(1)->name = "HOT BIRD 13E"; },
         renamed},
        {"transponder 40 MHz up",
         [](ChannelDatabase& d) { d.satelliteAt(0)->transponderAt(2)->frequency += 40000; },
         frequency},
        {"both at once",
         [](ChannelDatabase& d) {
             d.satelliteAt(1)->name = "HOT BIRD 13E";
             d.satelliteAt(0)->transponderAt(2)->frequency += 40000;
         },
         renamed + frequency},
        {"language",
         [](ChannelDatabase& d) {
             d.satelliteAt(0)->transponderAt(0)->programAt(0)->audioTracks[0].audioLanguage = 3;
         },
         QStringLiteral("program changed: %1: audio 1 language ger -> fra\n").arg(dubbedText)},
        // A renamed satellite that also lost a transponder is no longer the same one.
        {"renamed and a transponder fewer",
         [](ChannelDatabase& d) {
             SatelliteNode* satellite = d.satelliteAt(1);
             satellite->name = "HOT BIRD 13E";
             d.deleteTransponder(satellite, satellite->transponderAt(0));
         },
         {}},
    };
    for (const auto& c : cases) {
        ChannelDatabase edited;
        buildSampleChannelList(edited);
        c.edit(edited);
        ASSERT_EQ(writeChannelFile(edited, path("edited.cdf")), 0);
        const ToolRun diff = cdftool({"diff", path("sample.cdf"), path("edited.cdf")});
        EXPECT_EQ(diff.exitCode, 1) << c.what;
        if (!c.lines.isEmpty()) {
            EXPECT_EQ(QString::fromUtf8(diff.out), c.lines) << c.what;
            continue;
        }
        EXPECT_TRUE(diff.out.startsWith("satellite removed: \"HOTBIRD 13.0E\"\n"
                                        "satellite added: \"HOT BIRD 13E\"\n"))
            << c.what;
        EXPECT_EQ(diff.out.count("transponder removed:"), hotbirdCount) << c.what;
    }
}
