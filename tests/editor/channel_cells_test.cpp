#include "channels/channel_database.h"
#include "editor/channel_cells.h"
#include "editor/tree_node_look.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

Program threeTracks() {
    Program program;
    program.audioCount = 3;
    program.audioTracks[0] = {0x8101, 1};
    program.audioTracks[1] = {0x0102, 2};
    program.audioTracks[2] = {0x0103, 3};
    return program;
}

TEST(ChannelCells, TypedProgramCellsAreStoredByTheGridRules) {
    const struct {
        int column;
        const char* text;
        Program start;
        std::function<bool(const Program&)> holds;
    } cases[] = {
        {ProgramColumn::pcrPid, "0x100", {}, [](auto& p) { return p.pcrPid == 0x100; }},
        {ProgramColumn::pcrPid, "  256", {}, [](auto& p) { return p.pcrPid == 0x100; }},
        {ProgramColumn::pmtPid, "", {}, [](auto& p) { return p.pmtPid == 0x7FFF; }},
        {ProgramColumn::pcrPid, "65535", {}, [](auto& p) { return p.pcrPid == 0x7FFF; }},
        {ProgramColumn::serviceId, "", {}, [](auto& p) { return p.serviceId == 0xFFFF; }},
        {ProgramColumn::teletextPid, "0x0021", {}, [](auto& p) { return p.teletextPid == 0x8021; }},
        {ProgramColumn::teletextPid, "-1", {}, [](auto& p) { return p.teletextPid == 0x7FFF; }},
        {ProgramColumn::scrambled, "1", {}, [](auto& p) { return p.programFlags == 0x90; }},
        {ProgramColumn::audioPid,
         "0x40",
         {},
         [](auto& p) {
             return p.audioCount == 1 && p.audioTracks[0] == AudioTrack{0x40, 255};
         }},
        // The AC3 flag stays with the track.
        {ProgramColumn::audioPid, "0x44", threeTracks(),
         [](auto& p) {
             return p.audioCount == 3 && p.audioTracks[0] == AudioTrack{0x8044, 1};
         }},
        // Clearing drops the first track; the others move up with their languages.
        {ProgramColumn::audioPid, "", threeTracks(),
         [](auto& p) {
             return p.audioCount == 2 && p.audioTracks[0] == AudioTrack{0x0102, 2} &&
                    p.audioTracks[1] == AudioTrack{0x0103, 3};
         }},
        {ProgramColumn::name, "Caf\xc3\xa9", {}, [](auto& p) { return p.name == "Caf\xe9"; }},
    };
    for (const auto& c : cases) {
        Program program = c.start;
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(readProgramCell(c.column, text, program), QString()) << c.text;
        EXPECT_TRUE(c.holds(program)) << c.column << " " << c.text;
    }
    // A teletext PID is shown without its bit 15.
    Program teletext;
    teletext.teletextPid = 0x8021;
    EXPECT_EQ(programCellText(ProgramColumn::teletextPid, teletext), QStringLiteral("0x0021"));
}

TEST(ChannelCells, TypedTransponderCellsAreStoredByTheGridRules) {
    const struct {
        int column;
        const char* text;
        std::function<bool(const Transponder&)> holds;
    } cases[] = {
        {TransponderColumn::polarization, "h", [](auto& t) { return t.polarization == 1; }},
        {TransponderColumn::polarization, "x", [](auto& t) { return t.polarization == 0; }},
        {TransponderColumn::fecInner, "34", [](auto& t) { return t.fecInner == 3; }},
        {TransponderColumn::fecInner, "3/4", [](auto& t) { return t.fecInner == 0; }},
        {TransponderColumn::frequency, "", [](auto& t) { return t.frequency == 0; }},
        {TransponderColumn::frequency, "4294967295",
         [](auto& t) { return t.frequency == 4294967295u; }},
        {TransponderColumn::symbolRate, " ", [](auto& t) { return t.symbolRate == 0; }},
        {TransponderColumn::symbolRate, "0xfffe", [](auto& t) { return t.symbolRate == 65534; }},
    };
    for (const auto& c : cases) {
        Transponder transponder;
        transponder.polarization = 1;
        transponder.fecInner = 2;
        transponder.frequency = 7;
        transponder.symbolRate = 9;
        EXPECT_EQ(readTransponderCell(c.column, QLatin1String(c.text), transponder), QString());
        EXPECT_TRUE(c.holds(transponder)) << c.text;
    }
}

TEST(ChannelCells, NumbersTheRecordCannotHoldAreRefusedAndLeaveItAsItWas) {
    const struct {
        int column;
        const char* text;
        bool program;
    } cases[] = {
        {ProgramColumn::pcrPid, "0x2000", true},
        {ProgramColumn::videoPid, "-2", true},
        {ProgramColumn::audioPid, "65535", true},
        {ProgramColumn::teletextPid, "8192", true},
        {ProgramColumn::serviceId, "0x10000", true},
        {TransponderColumn::frequency, "-5", false},
        {TransponderColumn::frequency, "4294967296", false},
        {TransponderColumn::symbolRate, "70000", false},
        // Only a whole number is read, and "none" only in its own forms.
        {ProgramColumn::pcrPid, "12abc", true},
        {ProgramColumn::teletextPid, "0x1g", true},
        {ProgramColumn::audioPid, "*", true},
        {ProgramColumn::serviceId, "abc", true},
        {ProgramColumn::scrambled, "yes", true},
        {TransponderColumn::frequency, "-1", false},
        {TransponderColumn::frequency, "11 778", false},
        {TransponderColumn::symbolRate, "0xFFFF", false},
        {TransponderColumn::symbolRate, "27500k", false},
    };
    for (const auto& c : cases) {
        const QString text = QLatin1String(c.text);
        QString why;
        if (c.program) {
            const Program before = threeTracks();
            Program program = before;
            why = readProgramCell(c.column, text, program);
            EXPECT_EQ(program, before) << c.text;
        } else {
            const Transponder before;
            Transponder transponder = before;
            why = readTransponderCell(c.column, text, transponder);
            EXPECT_EQ(transponder, before) << c.text;
        }
        EXPECT_TRUE(why.contains(text)) << why.toStdString();
    }
    Program program;
    EXPECT_TRUE(readProgramCell(ProgramColumn::name, QString(256, QLatin1Char('a')), program)
                    .contains(QLatin1String("255")));
}

TEST(ChannelCells, ValuesWithoutATextAreShownAsTheyAreAndNeverRewritten) {
    Transponder odd;
    odd.polarization = 2;
    odd.fecInner = 7;
    EXPECT_EQ(transponderCellText(TransponderColumn::polarization, odd), QStringLiteral("2"));
    EXPECT_EQ(transponderCellText(TransponderColumn::fecInner, odd), QStringLiteral("7"));
    EXPECT_EQ(odd.fecInner, 7);
    EXPECT_EQ(transponderLabel(odd), QStringLiteral("V 00.000"));
    EXPECT_EQ(transponderImage(odd), 0);

    const Program fresh;
    const char* shown[] = {"", "0xffff", "", "", "", "", "", "0"};
    for (int column = 1; column < ProgramColumn::count; ++column)
        EXPECT_EQ(programCellText(column, fresh), QLatin1String(shown[column - 1])) << column;
}

TEST(TreeNodeLook, LabelsAndSatelliteImagesFollowTheRecords) {
    Transponder horizontal;
    horizontal.polarization = 1;
    horizontal.frequency = 11778000;
    EXPECT_EQ(transponderLabel(horizontal), QStringLiteral("H 11.778"));
    Transponder vertical;
    vertical.frequency = 3800000;
    EXPECT_EQ(transponderLabel(vertical), QStringLiteral("V 03.800"));

    const struct {
        int layout;
        int lnbType;
        int frequency;
        int configIndex;
        int image;
    } cases[] = {
        {1, 4, 5150, 0, 0}, {1, 4, 10600, 0, 1}, {1, 2, 0, 0, 2},     {1, 0, 0, 0, 7},
        {1, 5, 0, 0, 7},    {1, 2, 0, 16, 7},    {2, 0, 0, 0, 2},     {2, 1, 0, 0, 0},
        {2, 5, 0, 0, 1},    {2, 9, 5150, 0, 0},  {2, 9, 10600, 0, 1}, {2, 10, 0, 0, 7},
        {3, 0, 0, 0, 7},
    };
    for (const auto& c : cases) {
        ChannelDatabase database;
        database.layout = std::uint8_t(c.layout);
        LnbConfig config;
        config.lnbType = std::uint8_t(c.lnbType);
        config.lnbFrequency1 = std::uint16_t(c.frequency);
        database.lnbConfigs.push_back(config);
        database.lnbConfigCount = 1;
        Satellite satellite;
        satellite.lnbConfigIndex = std::uint8_t(c.configIndex);
        satellite.lnbType = std::uint8_t(c.lnbType);
        satellite.lnbFrequency1 = std::uint16_t(c.frequency);
        EXPECT_EQ(satelliteImage(database, satellite), c.image)
            << c.layout << " " << c.lnbType << " " << c.frequency << " " << c.configIndex;
    }
}

} // namespace
