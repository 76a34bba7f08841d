#include "channels/channel_data_compare.h"
#include "channels/channel_database.h"
#include "channels/channel_file_generator.h"
#include "channels/channel_file_reader.h"
#include "channels/channel_file_writer.h"
#include "channels/channel_matching.h"
#include "channels/program_cleanup.h"
#include "tests/channels/cdftool_run.h"
#include "tests/channels/qt_print.h"

#include <QFile>

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <unordered_map>

namespace {

struct Planted {
    const char* name;
    int transponder;
    std::uint16_t serviceId;
    std::uint8_t flags;
};

// Two transponders; TV programs in list order as planted. "dup" in a name says which rule
// should find it a duplicate.
const Planted plantedPrograms[] = {
    {"One", 0, 1, 0x00},     {"Two", 0, 2, 0x10},        {"One dup", 0, 1, 0x00},
    {"Two", 0, 9, 0x00},     {"One", 1, 1, 0x80},        {"", 0, 0xFFFF, 0x00},
    {"  ", 0, 0xFFFF, 0x90}, {"New A", 1, 0xFFFF, 0x00}, {"New B", 1, 0xFFFF, 0x00},
    {"Three", 1, 3, 0x00},   {" Three ", 1, 4, 0x00},    {"", 1, 5, 0x00},
};

ChannelDatabase plantedDatabase() {
    ChannelDatabase database;
    database.headerFlags = ChannelDatabase::favoritesFlag;
    SatelliteNode* satellite = database.appendSatellite(Satellite{.name = "Sat"});
    TransponderNode* transponders[] = {
        database.appendTransponder(satellite, Transponder{.frequency = 11000000}),
        database.appendTransponder(satellite, Transponder{.frequency = 12000000})};
    for (const Planted& planted : plantedPrograms) {
        Program program;
        program.name = planted.name;
        program.serviceId = planted.serviceId;
        program.programFlags = planted.flags;
        program.videoPid = 0x100;
        database.appendProgram(transponders[planted.transponder], program);
    }
    return database;
}

std::vector<int> pickedRows(const std::vector<bool>& picked) {
    std::vector<int> rows;
    for (std::size_t i = 0; i < picked.size(); ++i)
        if (picked[i])
            rows.push_back(int(i));
    return rows;
}

} // namespace

TEST(ProgramCleanup, EachRulePicksThePlantedPrograms) {
    const ChannelDatabase database = plantedDatabase();
    const std::vector<ProgramNode*>& list = database.tvList;
    EXPECT_EQ(pickedRows(ProgramCleanup::scrambled(list)), (std::vector<int>{1, 4, 6}));
    EXPECT_EQ(pickedRows(ProgramCleanup::unnamed(list)), (std::vector<int>{5, 6, 11}));
    // Row 2: service ID 1 again on transponder 0; row 3: the name "Two" again; row 10: the
    // name "Three" with blanks. Not: ID 1 on the other transponder (4), 0xFFFF (7, 8), two
    // unnamed programs (5, 6).
    EXPECT_EQ(pickedRows(ProgramCleanup::duplicates(list)), (std::vector<int>{2, 3, 10}));

    ChannelDatabase reference = plantedDatabase();
    const std::vector<ProgramNode*> referencePrograms = reference.tvList;
    for (int row : {4, 9})
        reference.deleteProgram(referencePrograms[std::size_t(row)]->transponder(),
                                referencePrograms[std::size_t(row)]);
    // Found neither by service ID nor by name on their transponder: "One" (ID 1) on the
    // second transponder and "Three" (ID 3; " Three " is another name and ID 4 is taken).
    const ChannelMatches matches = matchChannels(database, reference);
    EXPECT_EQ(pickedRows(ProgramCleanup::notIn(list, matches)), (std::vector<int>{4, 9}));
}

TEST(ProgramCleanup, DuplicatesAreLookedForAmongWhatStaysAndCountedOnce) {
    const ChannelDatabase database = plantedDatabase();
    ProgramCleanup::Counts counts;
    ProgramCleanup::Options options{.scrambled = true, .duplicates = true, .unnamed = true};
    const std::vector<ProgramNode*> picked = ProgramCleanup::pick(database, options, counts);
    // Scrambled 1, 4, 6; unnamed 5, 11 (6 counted as scrambled); duplicates among the rest:
    // 2 (ID 1 after row 0), 10 ("Three"); row 3 "Two" stays, its first copy being scrambled.
    std::set<int> rows;
    for (const ProgramNode* program : picked)
        rows.insert(int(std::find(database.tvList.begin(), database.tvList.end(), program) -
                        database.tvList.begin()));
    EXPECT_EQ(rows, (std::set<int>{1, 2, 4, 5, 6, 10, 11}));
    EXPECT_EQ(counts,
              (ProgramCleanup::Counts{.duplicates = 2, .scrambled = 3, .unnamed = 2, .left = 5}));
    EXPECT_EQ(ProgramCleanup::summary(counts, options),
              "removed 7 programs: 2 duplicates, 3 scrambled, 2 unnamed; 5 left");
    EXPECT_EQ(ProgramCleanup::summary({.duplicates = 1100, .unnamed = 104, .left = 13596},
                                      {.duplicates = true, .unnamed = true}),
              "removed 1,204 programs: 1,100 duplicates, 104 unnamed; 13,596 left");
    EXPECT_EQ(ProgramCleanup::summary({.duplicates = 1, .left = 1}, {.duplicates = true}),
              "removed 1 program: 1 duplicate; 1 left");
}

// Deleting many programs at once leaves what deleting them one by one leaves; putting them
// back at their rows and places gives the database as it was.
TEST(ProgramCleanup, BulkDeleteAndReturnMatchOneByOne) {
    QByteArray image;
    ASSERT_EQ(generateChannelImage({.seed = 99, .programs = 900}, image), 0);
    ChannelDatabase bulk;
    ChannelDatabase single;
    ChannelDatabase original;
    for (ChannelDatabase* database : {&bulk, &single, &original})
        ASSERT_EQ(readChannelImage(*database, image), 0);
    ASSERT_GT(bulk.favoriteGroupCount, 0);

    const std::vector<ProgramNode*> bulkPrograms = bulk.programsInTreeOrder();
    const std::vector<ProgramNode*> singlePrograms = single.programsInTreeOrder();
    std::mt19937 random(7);
    std::vector<std::size_t> chosen;
    for (std::size_t i = 0; i < bulkPrograms.size(); ++i)
        if (random() % 3 == 0)
            chosen.push_back(i);
    // The places and rows as they are before anything goes, in tree order.
    std::vector<RestoredProgram> restored;
    std::vector<std::pair<TransponderNode*, int>> rows;
    std::vector<ProgramNode*> doomed;
    for (std::size_t i : chosen) {
        ProgramNode* program = bulkPrograms[i];
        restored.push_back({program->record(), bulk.placesOf(program)});
        rows.emplace_back(program->transponder(), program->transponder()->indexOf(program));
        doomed.push_back(program);
    }
    std::vector<std::pair<TransponderNode*, int>> seen;
    ProgramRowObserver observer{
        {}, [&seen](TransponderNode* t, int row) { seen.emplace_back(t, row); }};
    // A program given twice counts once.
    doomed.push_back(doomed.front());
    EXPECT_EQ(bulk.deletePrograms(doomed, observer), int(chosen.size()));
    EXPECT_EQ(seen.size(), chosen.size());
    for (std::size_t i : chosen)
        ASSERT_TRUE(single.deleteProgram(singlePrograms[i]->transponder(), singlePrograms[i]));
    EXPECT_EQ(firstChannelDataDifference(bulk, single), QString());
    EXPECT_TRUE(single.assignListPositions());
    EXPECT_EQ(bulk.transponderTotal(), original.transponderTotal());

    std::vector<ProgramReturn> returns;
    for (std::size_t k = 0; k < chosen.size(); ++k)
        returns.push_back({rows[k].first, rows[k].second, &restored[k]});
    std::vector<ProgramNode*> added;
    ASSERT_TRUE(bulk.insertPrograms(returns, {}, &added));
    EXPECT_EQ(added.size(), chosen.size());
    EXPECT_EQ(firstChannelDataDifference(bulk, original), QString());

    // A row beyond the transponder's programs is refused and changes nothing.
    RestoredProgram extra{Program{}, {}};
    TransponderNode* first = bulk.satelliteAt(0)->transponderAt(0);
    EXPECT_FALSE(bulk.insertPrograms({{first, first->programCount() + 1, &extra}}));
    EXPECT_EQ(firstChannelDataDifference(bulk, original), QString());
}

TEST(CdfToolClean, EachOptionRemovesWhatItsRulePicksAndTheDiffListsExactlyThose) {
    QByteArray image;
    ASSERT_EQ(generateChannelImage({.seed = 31, .programs = 700}, image), 0);
    {
        // Plant duplicates and unnamed programs into the generated file.
        ChannelDatabase database;
        ASSERT_EQ(readChannelImage(database, image), 0);
        const std::vector<ProgramNode*> programs = database.programsInTreeOrder();
        for (std::size_t i = 0; i + 1 < programs.size(); i += 10) {
            Program copy = programs[i]->record();
            database.appendProgram(programs[i]->transponder(), copy);
            programs[i + 1]->name.clear();
        }
        ASSERT_EQ(writeChannelFile(database, path("in.cdf")), 0);
    }
    ChannelDatabase input;
    ASSERT_EQ(readChannelFile(input, path("in.cdf")), 0);
    const int total = int(input.tvList.size() + input.radioList.size());

    struct Case {
        QStringList options;
        ProgramCleanup::Options rules;
    };
    const Case cases[] = {
        {{"--scrambled"}, {.scrambled = true}},
        {{"--duplicates"}, {.duplicates = true}},
        {{"--unnamed"}, {.unnamed = true}},
        {{"--duplicates", "--unnamed", "--scrambled"},
         {.scrambled = true, .duplicates = true, .unnamed = true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        ProgramCleanup::Counts counts;
        const std::vector<ProgramNode*> expected = ProgramCleanup::pick(input, c.rules, counts);
        ASSERT_GT(counts.removed(), 0);
        QFile::remove(path("out.cdf"));

        const ToolRun dry = cdftool(QStringList{"clean"} + c.options +
                                    QStringList{"--dry-run", path("in.cdf"), path("out.cdf")});
        EXPECT_EQ(dry.exitCode, 0) << dry.err.toStdString();
        EXPECT_TRUE(dry.out.startsWith(ProgramCleanup::summary(counts, c.rules).toUtf8()));
        EXPECT_FALSE(QFile::exists(path("out.cdf")));

        const ToolRun run = cdftool(QStringList{"clean"} + c.options +
                                    QStringList{path("in.cdf"), path("out.cdf")});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, ProgramCleanup::summary(counts, c.rules).toUtf8() + "\n");
        ChannelDatabase output;
        ASSERT_EQ(readChannelFile(output, path("out.cdf")), 0);
        EXPECT_EQ(int(output.tvList.size() + output.radioList.size()), counts.left);
        EXPECT_EQ(counts.left + counts.removed(), total);

        // The diff names removed programs (and their favourite memberships) only, one line
        // per removed program.
        const ToolRun diff = cdftool({"diff", path("in.cdf"), path("out.cdf")});
        EXPECT_EQ(diff.exitCode, 1);
        int removedLines = 0;
        for (const QByteArray& line : diff.out.split('\n')) {
            if (line.isEmpty())
                continue;
            if (line.startsWith("program removed: "))
                ++removedLines;
            else
                EXPECT_TRUE(line.startsWith("favourite group ") && line.contains(" removed: "))
                    << line.toStdString();
        }
        EXPECT_EQ(removedLines, counts.removed());

        // The output read back is the input with exactly the picked programs deleted.
        ChannelDatabase expectedData;
        ASSERT_EQ(readChannelFile(expectedData, path("in.cdf")), 0);
        const std::vector<ProgramNode*> mine = input.programsInTreeOrder();
        const std::vector<ProgramNode*> theirs = expectedData.programsInTreeOrder();
        std::unordered_map<const ProgramNode*, ProgramNode*> same;
        for (std::size_t i = 0; i < mine.size(); ++i)
            same[mine[i]] = theirs[i];
        std::vector<ProgramNode*> doomed;
        for (const ProgramNode* program : expected)
            doomed.push_back(same[program]);
        ASSERT_EQ(expectedData.deletePrograms(doomed), counts.removed());
        expectedData.renumber();
        ASSERT_TRUE(expectedData.assignListPositions());
        output.savedDay = expectedData.savedDay;
        output.savedMonth = expectedData.savedMonth;
        output.savedYear = expectedData.savedYear;
        output.savedHour = expectedData.savedHour;
        output.savedMinute = expectedData.savedMinute;
        EXPECT_EQ(firstChannelDataDifference(output, expectedData), QString());
    }

    // --not-in: against the scrambled-free output, exactly the scrambled programs go.
    ASSERT_EQ(cdftool({"clean", "--scrambled", path("in.cdf"), path("ref.cdf")}).exitCode, 0);
    const ToolRun notIn =
        cdftool({"clean", "--not-in", path("ref.cdf"), path("in.cdf"), path("out.cdf")});
    ASSERT_EQ(notIn.exitCode, 0) << notIn.err.toStdString();
    EXPECT_TRUE(notIn.out.contains(" not in the reference;")) << notIn.out.toStdString();
    EXPECT_EQ(cdftool({"diff", path("ref.cdf"), path("out.cdf")}).exitCode, 0);

    // Usage errors (no rule, one file) and an unreadable reference write nothing.
    QFile::remove(path("out.cdf"));
    EXPECT_EQ(cdftool({"clean", path("in.cdf"), path("out.cdf")}).exitCode, 2);
    EXPECT_EQ(cdftool({"clean", "--unnamed", path("in.cdf")}).exitCode, 2);
    EXPECT_EQ(cdftool({"clean", "--not-in", path("nothing.cdf"), path("in.cdf"), path("out.cdf")})
                  .exitCode,
              1);
    EXPECT_FALSE(QFile::exists(path("out.cdf")));
}
