#include "channels/channel_database.h"
#include "editor/channel_document.h"

#include <gtest/gtest.h>

namespace {

// A program cannot join a list that already holds as many programs as a file can carry: its
// video PID stays, and the user is told why; the rest of the edit is applied.
TEST(ChannelDocument, VideoPidThatWouldOverfillTheTvListIsRefused) {
    ChannelDocument document;
    ChannelDatabase& database = document.database();
    TransponderNode* transponder =
        database.appendTransponder(database.appendSatellite(Satellite{}), Transponder{});
    Program tv;
    tv.videoPid = 0x100;
    for (int i = 0; i < ChannelLimits::maxProgramsPerList; ++i)
        ASSERT_NE(database.appendProgram(transponder, tv), nullptr);
    ProgramNode* radio = database.appendProgram(transponder, Program{});
    ASSERT_NE(radio, nullptr);

    Program after = radio->record();
    after.videoPid = 0x200;
    after.name = "Renamed";
    const QString why = document.apply(ProgramEdit{radio, radio->record(), after});
    EXPECT_TRUE(why.contains(QLatin1String("TV list"))) << why.toStdString();
    EXPECT_TRUE(why.contains(QLatin1String("65535"))) << why.toStdString();
    EXPECT_TRUE(radio->isRadio());
    EXPECT_EQ(radio->videoPid, ChannelLimits::noPid);
    EXPECT_EQ(radio->name, QByteArray("Renamed"));
    EXPECT_EQ(database.radioList.size(), 1u);
    EXPECT_EQ(transponder->radioCount(), 1);
    EXPECT_TRUE(document.isModified());
}

} // namespace
