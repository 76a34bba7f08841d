// The demo's sample list through cdftool: a list a user would take for a real receiver's, and
// check's counts in words.
#include "channels/channel_database.h"
#include "channels/channel_file_reader.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QProcess>
#include <QSet>

#include <gtest/gtest.h>

namespace {

QByteArray runCdftool(const QStringList& args, int& exitCode) {
    QProcess process;
    process.start(QStringLiteral(CDFTOOL_PATH), args);
    exitCode = -1;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    exitCode = process.exitCode();
    // Text on a Windows console ends its lines with CR LF; the test compares lines.
    return process.readAllStandardOutput().replace("\r\n", "\n");
}

bool plausibleName(const QByteArray& name) {
    if (name.size() < 3)
        return false;
    for (char c : name)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

TEST(SampleChannelList, LooksLikeAReceiversListAndCheckCountsItInWords) {
    const QString file = QDir(TestEnvironment::root()).filePath("sample.cdf");
    int exitCode = -1;
    runCdftool({"generate", "--sample", file}, exitCode);
    ASSERT_EQ(exitCode, 0);
    ChannelDatabase db;
    ASSERT_EQ(readChannelFile(db, file), 0);

    EXPECT_EQ(db.layout, 1);
    EXPECT_GE(db.satelliteCount(), 5);
    QSet<QByteArray> satelliteNames;
    QSet<int> lnbKinds; // 1-3 universal, 4 single
    for (const auto& satellite : db.satellites()) {
        EXPECT_TRUE(plausibleName(satellite->name)) << satellite->name.constData();
        satelliteNames.insert(satellite->name);
        const LnbConfig* lnb = db.lnbConfigAt(satellite->lnbConfigIndex);
        ASSERT_NE(lnb, nullptr) << satellite->name.constData();
        lnbKinds.insert(lnb->lnbType == 4 ? 4 : lnb->lnbType >= 1 && lnb->lnbType <= 3 ? 1 : 0);
        EXPECT_GT(satellite->transponderCount(), 0);
    }
    EXPECT_EQ(satelliteNames.size(), db.satelliteCount());
    EXPECT_EQ(lnbKinds, (QSet<int>{1, 4}));

    const std::size_t programs = db.tvList.size() + db.radioList.size();
    EXPECT_GE(programs, 200u);
    EXPECT_LE(programs, 1000u);
    EXPECT_GE(db.radioList.size(), 20u);
    int multilingual = 0;
    for (const auto* list : {&db.tvList, &db.radioList}) {
        for (const ProgramNode* program : *list) {
            EXPECT_TRUE(plausibleName(program->name));
            EXPECT_GE(program->audioCount, 1) << program->name.constData();
            multilingual += program->audioCount > 1 && program->audioTracks[0].audioLanguage !=
                                                           program->audioTracks[1].audioLanguage;
        }
    }
    EXPECT_GE(multilingual, 50);

    ASSERT_GE(db.favoriteGroupCount, 3);
    for (int g = 0; g < db.favoriteGroupCount; ++g) {
        const FavoriteGroup& group = db.favoriteGroups[std::size_t(g)];
        EXPECT_TRUE(plausibleName(group.name));
        EXPECT_FALSE(group.tvMembers.empty()) << group.name.constData();
        for (const auto* members : {&group.tvMembers, &group.radioMembers})
            for (const ProgramNode* member : *members)
                EXPECT_TRUE(member->favoriteMask & (1u << g)) << member->name.constData();
    }

    const QByteArray counted = runCdftool({"check", file}, exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(counted, file.toLocal8Bit() +
                           ": valid, layout 1, 6 satellites, 44 transponders, 236 TV and 74 "
                           "radio programs, 4 favorite groups\n");

    // One of each reads in the singular (this seed gives a single transponder and program).
    const QString small = QDir(TestEnvironment::root()).filePath("small.cdf");
    runCdftool({"generate", "--seed", "3", "--programs", "1", small}, exitCode);
    ASSERT_EQ(exitCode, 0);
    const QByteArray one = runCdftool({"check", small}, exitCode);
    EXPECT_TRUE(one.contains(", 1 transponder, 1 TV and 0 radio programs,")) << one.constData();
}

} // namespace
