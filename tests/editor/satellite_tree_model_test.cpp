#include "tests/editor/channel_editor_fixture.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

namespace {

using SatelliteTree = ChannelEditorFixture;

TEST_F(SatelliteTree, ShowsExactlyTheDatabaseAfterEveryChange) {
    const QString file = writeSmallFile();
    ChannelDocument document;
    SatelliteTreeModel model(document);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_EQ(document.load(file), 0);
    ASSERT_EQ(model.rowCount(), 2);
    const QModelIndex satA = model.index(0, 0);
    EXPECT_EQ(satA.data().toString(), QStringLiteral("Sat A"));
    EXPECT_EQ(satA.data(SatelliteTreeModel::imageRole).toInt(), TreeImage::satelliteWithoutLnb);
    const QModelIndex first = model.index(0, 0, satA);
    EXPECT_EQ(first.data().toString(), QStringLiteral("H 11.778"));
    EXPECT_EQ(model.index(1, 0, satA).data(SatelliteTreeModel::imageRole).toInt(), 3);
    EXPECT_EQ(model.index(0, 0, first).data(SatelliteTreeModel::imageRole).toInt(), 5);
    EXPECT_EQ(model.index(1, 0, first).data(SatelliteTreeModel::imageRole).toInt(), 6);
    EXPECT_FALSE(model.index(0, 0, first).data(Qt::DecorationRole).value<QIcon>().isNull());

    SatelliteNode* satB = document.database().satelliteAt(1);
    TransponderNode* added = document.apply(TransponderAddition{satB, {}});
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(model.indexOf(added).data().toString(), QStringLiteral("V 00.000"));
    ProgramNode* program = document.apply(ProgramAddition{added, {}});
    ASSERT_NE(program, nullptr);
    EXPECT_EQ(model.rowCount(model.indexOf(added)), 1);

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    Program renamed = program->record();
    renamed.name = "Radio \xff";
    renamed.videoPid = 0x0222;
    EXPECT_EQ(document.apply(ProgramEdit{program, program->record(), renamed}), QString());
    EXPECT_EQ(changed.size(), 1);
    EXPECT_EQ(model.indexOf(program).data().toString(), QStringLiteral("Radio \u00ff"));
    EXPECT_EQ(model.indexOf(program).data(SatelliteTreeModel::imageRole).toInt(), 5);
    EXPECT_TRUE(program->isTv());
    EXPECT_TRUE(document.isModified());

    EXPECT_TRUE(document.apply(ProgramRemoval{added, program}));
    EXPECT_TRUE(document.apply(TransponderRemoval{satB, added}));
    EXPECT_EQ(model.rowCount(model.index(1, 0)), 0);
    EXPECT_TRUE(document.apply(TransponderRemoval{
        document.database().satelliteAt(0), document.database().satelliteAt(0)->transponderAt(0)}));
    EXPECT_EQ(model.rowCount(satA), 4);
    EXPECT_EQ(document.database().tvList.size(), 0u);

    document.clear();
    EXPECT_EQ(model.rowCount(), 0);
}

} // namespace
