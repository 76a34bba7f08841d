// Undo and redo in the channel editor, its keys, and find above the satellite tree.
#include "channel_editor_fixture.h"

#include "editor/channel_cells.h"
#include "editor/edit_history.h"
#include "editor/tree_node_look.h"

#include <QApplication>
#include <QUndoStack>

#include <algorithm>

namespace {

class EditHistoryTest : public ChannelEditorFixture {
protected:
    // The small file with a second satellite that carries programs, both lists in an order of
    // their own and two favourite groups. A transponder lists its TV programs first, then its
    // radio programs, in list order: "Sat A" holds P1, Morning News, P4, P3, P2.
    QString writeRichFile() {
        ChannelDatabase database;
        buildSmallDatabase(database);
        TransponderNode* a = database.satelliteAt(0)->transponderAt(0);
        a->programAt(4)->name = "Morning News";
        Transponder transponder;
        transponder.frequency = 12345000;
        transponder.symbolRate = 22000;
        TransponderNode* b = database.appendTransponder(database.satelliteAt(1), transponder);
        Program world;
        world.name = "World NEWS";
        world.serviceId = 777;
        world.videoPid = 0x200;
        ProgramNode* worldNode = database.appendProgram(b, world);
        Program jazz;
        jazz.name = "Jazz";
        jazz.serviceId = 42;
        ProgramNode* jazzNode = database.appendProgram(b, jazz);
        std::reverse(database.tvList.begin(), database.tvList.end());
        std::reverse(database.radioList.begin(), database.radioList.end());
        database.headerFlags |= ChannelDatabase::favoritesFlag;
        database.favoriteGroupCount = 2;
        const auto join = [&database](int group, ProgramNode* program) {
            FavoriteGroup& g = database.favoriteGroups[std::size_t(group)];
            (program->isTv() ? g.tvMembers : g.radioMembers).push_back(program);
            program->favoriteMask |= std::uint8_t(1 << group);
        };
        database.favoriteGroups[0].name = "Mine";
        database.favoriteGroups[1].name = "Other";
        join(0, worldNode);
        join(0, a->programAt(0));
        join(0, a->programAt(3));
        join(0, a->programAt(1));
        join(0, jazzNode);
        join(1, a->programAt(2));
        join(1, a->programAt(3));
        EXPECT_EQ(writeChannelFile(database, path("rich.cdf")), 0);
        return path("rich.cdf");
    }

    // The data as the writer would store it now.
    QByteArray written(const QString& name) {
        EXPECT_EQ(writeChannelFile(database(), path(name)), 0);
        return bytesOf(path(name));
    }

    void key(int key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : editor.get(),
                        Qt::Key(key), modifiers);
    }

    void activate() {
        editor->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    }
};

TEST_F(EditHistoryTest, EveryKindOfStepUndoesAndRedoesToTheSameBytes) {
    ChannelEditorWindows windows;
    windows.openSatelliteWindow = [](QWidget*, ChannelDatabase& database, SatelliteNode* sat) {
        sat->name = "Renamed";
        database.headerFlags ^= ChannelDatabase::skewFlag;
        return SatelliteWindowResult{true, true, true, TreeImage::cBandSatellite};
    };
    windows.openAudioWindow = [](QWidget*, ChannelDatabase&, ProgramNode* program) {
        program->audioTracks[0].audioPid = 0x0155;
        program->audioCount = 1;
        return true;
    };
    windows.openChannelList = [](QWidget*, ChannelDatabase& database) {
        std::reverse(database.tvList.begin(), database.tvList.end());
        std::rotate(database.radioList.begin(), database.radioList.begin() + 1,
                    database.radioList.end());
        // P3, now a TV program, leaves the second group.
        std::vector<ProgramNode*>& other = database.favoriteGroups[1].tvMembers;
        if (other.empty())
            return false;
        other.front()->favoriteMask &= std::uint8_t(~2);
        other.erase(other.begin());
        database.favoriteGroups[0].name = "Mine too";
        return true;
    };
    open(writeRichFile(), windows);
    activate();
    const QByteArray loaded = written("loaded.cdf");
    const int satelliteImage = node(0).data(SatelliteTreeModel::imageRole).toInt();

    select(node(0));
    type(2, TransponderColumn::frequency, QStringLiteral("11900000"));
    type(3, TransponderColumn::symbolRate, QStringLiteral("22000")); // read at the next commit
    QTest::mouseClick(button("add"), Qt::LeftButton);
    QTest::mouseClick(button("editSatellite"), Qt::LeftButton);
    select(node(0, 0));
    type(2, ProgramColumn::name, QStringLiteral("Renamed"));
    type(3, ProgramColumn::videoPid, QStringLiteral("0x300")); // radio becomes TV
    QTest::mouseClick(button("add"), Qt::LeftButton);
    editor->grid()->setSelectedRange(4, 1, 5, 3);
    QTest::mouseClick(button("delete"), Qt::LeftButton); // two programs, one step
    editor->grid()->selectRow(2);
    QTest::mouseClick(button("audio"), Qt::LeftButton);
    QTest::mouseClick(button("channelList"), Qt::LeftButton);
    select(node(0));
    editor->grid()->selectRow(1);
    QTest::mouseClick(button("delete"), Qt::LeftButton); // with its programs
    select(node(1, 0));
    editor->grid()->selectRow(2);
    QTest::mouseClick(button("delete"), Qt::LeftButton);
    ASSERT_TRUE(messages.empty());

    QUndoStack& stack = editor->history().stack();
    EXPECT_EQ(stack.count(), 12);
    const QByteArray changed = written("changed.cdf");
    ASSERT_NE(changed, loaded);

    for (int round = 0; round < 2; ++round) {
        for (int step = 0; step < 12; ++step)
            key(Qt::Key_Z);
        EXPECT_EQ(stack.index(), 0);
        EXPECT_FALSE(button("save")->isEnabled());
        EXPECT_EQ(written("undone.cdf"), loaded);
        // The tree and the grid show the data as loaded.
        EXPECT_EQ(editor->treeModel().rowCount(node(0)), 5);
        EXPECT_EQ(editor->treeModel().rowCount(node(0, 0)), 5);
        EXPECT_EQ(node(0).data().toString(), QStringLiteral("Sat A"));
        EXPECT_EQ(node(0).data(SatelliteTreeModel::imageRole).toInt(), satelliteImage);
        select(node(0, 0));
        EXPECT_EQ(cell(3, ProgramColumn::videoPid), QString());
        EXPECT_EQ(cell(2, ProgramColumn::name), QStringLiteral("Morning News"));

        for (int step = 0; step < 12; ++step)
            key(step % 2 ? Qt::Key_Y : Qt::Key_Z,
                step % 2 ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(stack.index(), 12);
        EXPECT_TRUE(button("save")->isEnabled());
        EXPECT_EQ(written("redone.cdf"), changed);
        EXPECT_EQ(editor->treeModel().rowCount(node(0)), 5); // one deleted, one added
        EXPECT_EQ(node(0).data().toString(), QStringLiteral("Renamed"));
    }
}

TEST_F(EditHistoryTest, UndoToTheSavePointLeavesNothingToSaveAndLoadForgetsTheHistory) {
    const QString file = open(writeRichFile()).filePath();
    activate();
    const struct {
        const char* button;
        const char* tip;
    } tips[] = {{"save", "Save (Ctrl+S)"},
                {"saveAs", "Save As (Ctrl+Shift+S)"},
                {"load", "Load (Ctrl+O)"},
                {"print", "Print (Ctrl+P)"}};
    for (const auto& tip : tips)
        EXPECT_EQ(button(tip.button)->toolTip(), QLatin1String(tip.tip)) << tip.button;

    select(node(0));
    type(1, TransponderColumn::frequency, QStringLiteral("10100000"));
    EXPECT_TRUE(button("save")->isEnabled());
    key(Qt::Key_S);
    EXPECT_FALSE(button("save")->isEnabled());
    const QByteArray saved = bytesOf(file);
    type(1, TransponderColumn::frequency, QStringLiteral("10200000"));
    // A typed cell that reaches the record later is still the step undone.
    type(2, TransponderColumn::symbolRate, QStringLiteral("1234"));
    // Undo shows what it takes back, here on the satellite left before.
    select(node(1));
    key(Qt::Key_Z);
    EXPECT_EQ(editor->tree()->currentIndex(), node(0));
    EXPECT_EQ(cell(2, TransponderColumn::symbolRate), QStringLiteral("27500"));
    EXPECT_TRUE(button("save")->isEnabled());
    key(Qt::Key_Z);
    EXPECT_EQ(cell(1, TransponderColumn::frequency), QStringLiteral("10100000"));
    EXPECT_FALSE(button("save")->isEnabled());
    key(Qt::Key_Z);
    EXPECT_EQ(cell(1, TransponderColumn::frequency), QStringLiteral("11778000"));
    EXPECT_TRUE(button("save")->isEnabled());
    key(Qt::Key_Y);
    EXPECT_FALSE(button("save")->isEnabled());
    EXPECT_EQ(written("check.cdf"), saved);

    // Loading the file again starts without history.
    type(1, TransponderColumn::frequency, QStringLiteral("10300000"));
    answers << MessageAnswer::no;
    fileAnswers << file;
    key(Qt::Key_O);
    EXPECT_EQ(fileRequests.size(), 1u);
    EXPECT_FALSE(editor->history().canUndo());
    EXPECT_FALSE(button("save")->isEnabled());
    EXPECT_EQ(cell(1, TransponderColumn::frequency), QStringLiteral("10100000"));
}

TEST_F(EditHistoryTest, FindWalksEverySatelliteAndWrapsRound) {
    open(writeRichFile());
    activate();
    editor->tree()->setFocus();
    key(Qt::Key_F);
    QLineEdit* field = editor->findField();
    ASSERT_TRUE(field->isVisible());
    ASSERT_TRUE(field->hasFocus());
    EXPECT_GE(editor->tree()->geometry().top(), field->geometry().bottom());

    const auto selected = [this] { return editor->tree()->currentIndex(); };
    QTest::keyClicks(field, QStringLiteral("NEWS"));
    EXPECT_EQ(selected(), node(0, 0, 1)); // Morning News
    EXPECT_TRUE(field->hasFocus());
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(selected(), node(1, 0, 0)); // World NEWS, on the other satellite
    key(Qt::Key_F3, Qt::NoModifier);
    EXPECT_EQ(selected(), node(0, 0, 1)); // round again

    const struct {
        const char* text;
        QModelIndex expected;
    } cases[] = {
        {"777", node(1, 0, 0)},   // service ID
        {"12345", node(1, 0)},    // frequency in MHz
        {"11779000", node(0, 1)}, // and in kHz
        {"sat b", node(1)},       {"jaz", node(1, 0, 1)},
    };
    for (const auto& c : cases) {
        field->clear();
        QTest::keyClicks(field, QLatin1String(c.text));
        EXPECT_EQ(selected(), c.expected) << c.text;
    }
    // No match: the selection stays where it was.
    field->clear();
    QTest::keyClicks(field, QStringLiteral("qx"));
    EXPECT_EQ(selected(), node(1, 0, 1));
    EXPECT_EQ(editor->grid()->gridMode(), ChannelGrid::programRows);

    // Escape closes the field, from the field or from the tree, and leaves the editor open.
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(field->isVisible());
    EXPECT_TRUE(editor->tree()->hasFocus());
    key(Qt::Key_F);
    editor->tree()->setFocus();
    QTest::keyClick(editor->tree(), Qt::Key_Escape);
    EXPECT_FALSE(field->isVisible());
    EXPECT_TRUE(editor->isVisible());
    EXPECT_TRUE(questions.isEmpty());
}

} // namespace
