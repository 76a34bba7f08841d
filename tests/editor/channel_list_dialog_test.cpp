#include "channels/channel_database.h"
#include "channels/channel_file_generator.h"
#include "channels/channel_file_reader.h"
#include "channels/channel_file_writer.h"
#include "editor/channel_list_dialog.h"
#include "editor/favorite_names_dialog.h"
#include "editor/program_list_model.h"
#include "editor/program_list_view.h"
#include "tests/support/next_modal.h"
#include "widgets/file_dialog.h"
#include "widgets/message_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Satellites with TV programs named by the caller; the TV list takes `tvOrder` (indexes into
// the programs in creation order) when given. Radio programs "R0".."R3" sit on the first
// satellite.
struct Layout {
    Layout(std::vector<std::vector<QByteArray>> names, std::vector<int> order = {})
        : tvNamesPerSatellite(std::move(names)), tvOrder(std::move(order)) {}
    std::vector<std::vector<QByteArray>> tvNamesPerSatellite;
    std::vector<int> tvOrder;
    int groupCount = 4;
};

std::unique_ptr<ChannelDatabase> makeDatabase(const Layout& layout) {
    auto database = std::make_unique<ChannelDatabase>();
    database->headerFlags = ChannelDatabase::favoritesFlag;
    std::vector<ProgramNode*> created;
    int transponderIndex = 0;
    for (std::size_t s = 0; s < layout.tvNamesPerSatellite.size(); ++s) {
        Satellite satellite;
        satellite.name = "Sat " + QByteArray::number(int(s));
        SatelliteNode* node = database->appendSatellite(satellite);
        for (const QByteArray& name : layout.tvNamesPerSatellite[s]) {
            // One transponder per program, so "TP Idx" follows creation order.
            TransponderNode* transponder = database->appendTransponder(node, Transponder());
            Program program;
            program.name = name;
            program.videoPid = 0x100;
            program.programFlags = (transponderIndex % 3 == 0) ? 0x10 : 0;
            created.push_back(database->appendProgram(transponder, program));
            ++transponderIndex;
        }
        if (s == 0) {
            TransponderNode* transponder = database->appendTransponder(node, Transponder());
            for (int r = 0; r < 4; ++r) {
                Program program;
                program.name = "R" + QByteArray::number(r);
                database->appendProgram(transponder, program);
            }
        }
    }
    if (!layout.tvOrder.empty()) {
        database->tvList.clear();
        for (int i : layout.tvOrder)
            database->tvList.push_back(created[std::size_t(i)]);
    }
    database->favoriteGroupCount = std::uint8_t(layout.groupCount);
    for (int g = 0; g < layout.groupCount; ++g)
        database->favoriteGroups[std::size_t(g)].name = "Group " + QByteArray::number(g + 1);
    database->renumber();
    return database;
}

std::vector<QByteArray> namesOf(const std::vector<ProgramNode*>& programs) {
    std::vector<QByteArray> names;
    for (const ProgramNode* program : programs)
        names.push_back(program->name);
    return names;
}

std::vector<Program> records(const std::vector<ProgramNode*>& programs) {
    std::vector<Program> result;
    for (const ProgramNode* program : programs) {
        result.push_back(program->record());
        result.back().pendingFavoriteMask = 0; // never stored
    }
    return result;
}

std::vector<QByteArray> numbered(std::initializer_list<int> numbers) {
    std::vector<QByteArray> names;
    for (int n : numbers)
        names.push_back("P" + QByteArray::number(n));
    return names;
}

std::vector<QByteArray> programNames(int count) {
    std::vector<QByteArray> names;
    for (int n = 0; n < count; ++n)
        names.push_back("P" + QByteArray::number(n));
    return names;
}

class ChannelListDialogTest : public ::testing::Test {
protected:
    void TearDown() override {
        dialog.reset();
        setMessageRecorder({});
    }

    ChannelListDialog& open(const Layout& layout) {
        database = makeDatabase(layout);
        return openOn(*database);
    }

    ChannelListDialog& openOn(ChannelDatabase& data) {
        dialog = std::make_unique<ChannelListDialog>(data);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return *dialog;
    }

    ProgramListView* list(const char* name = "tvList") const {
        return dialog->findChild<ProgramListView*>(QString::fromLatin1(name));
    }
    ProgramListModel* rows(const char* name = "tvList") const {
        return static_cast<ProgramListModel*>(list(name)->model());
    }
    QPushButton* button(const char* name) const {
        return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    QComboBox* combo() const {
        return dialog->findChild<QComboBox*>(QStringLiteral("satelliteCombo"));
    }
    QCheckBox* favoriteMode() const {
        return dialog->findChild<QCheckBox*>(QStringLiteral("favoriteMode"));
    }
    std::vector<QByteArray> shown(const char* name = "tvList") const {
        return namesOf(rows(name)->programs());
    }
    QString favText(int row, const char* name = "tvList") const {
        return rows(name)->index(row, ProgramListModel::favoriteColumn).data().toString();
    }

    void clickHeader(int column) {
        QHeaderView* header = list()->header();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    QPoint rowCenter(int row) const { return list()->visualRect(rows()->index(row, 0)).center(); }

    // Presses the left button at the first point and moves through the others in small
    // steps, with the real mouse events; `holdMs` keeps the pointer at the last point.
    void drag(std::vector<QPoint> points, int holdMs = 0) {
        QTest::mousePress(list()->viewport(), Qt::LeftButton, {}, points.front());
        moveAlong(points, holdMs);
    }
    void moveAlong(std::vector<QPoint> points, int holdMs = 0) {
        constexpr int steps = 6;
        for (std::size_t p = 1; p < points.size(); ++p)
            for (int i = 1; i <= steps; ++i)
                QTest::mouseMove(list()->viewport(),
                                 points[p - 1] + (points[p] - points[p - 1]) * i / steps);
        if (holdMs > 0)
            QTest::qWait(holdMs);
    }
    void release(QPoint at) { QTest::mouseRelease(list()->viewport(), Qt::LeftButton, {}, at); }

    // Right click on a row; `inspect` sees the menu while it is open.
    void rightClick(int row, std::function<void(QMenu*)> inspect, const char* name = "tvList") {
        ProgramListView* view = list(name);
        const QPoint at = view->visualRect(rows(name)->index(row, 0)).center();
        onNextModal([inspect](QWidget* popup) {
            auto* menu = qobject_cast<QMenu*>(popup);
            ASSERT_NE(menu, nullptr);
            inspect(menu);
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view->viewport(), &event);
    }

    // Whether a right click at that viewport point opens a menu (closed at once if so).
    bool menuOpensAt(QPoint at) {
        auto opened = std::make_shared<bool>(false);
        QTimer::singleShot(0, [opened] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                *opened = true;
                popup->close();
            }
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list()->viewport(), &event);
        QTest::qWait(20);
        return *opened;
    }

    static QAction* action(QMenu* menu, const QString& text) {
        for (QAction* candidate : menu->actions())
            if (candidate->text() == text)
                return candidate;
        ADD_FAILURE() << "no menu entry " << text.toStdString();
        return nullptr;
    }
    static void choose(QMenu* menu, const QString& text) {
        if (QAction* chosen = action(menu, text))
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(chosen).center());
    }

    std::unique_ptr<ChannelDatabase> database;
    std::unique_ptr<ChannelListDialog> dialog;
};

} // namespace

TEST_F(ChannelListDialogTest,
       HeaderClicksSortAscendingThenAlternateAndAnotherColumnStartsAscending) {
    // Names differ in case only in their letters; transponder indexes follow creation order.
    open({{{"delta", "Alpha", "charlie", "Bravo", "alpha"}}});
    EXPECT_FALSE(button("apply")->isEnabled());

    clickHeader(ProgramListModel::nameColumn);
    EXPECT_EQ(shown(), (std::vector<QByteArray>{"Alpha", "alpha", "Bravo", "charlie", "delta"}));
    EXPECT_TRUE(button("apply")->isEnabled()) << "sorting alone counts as a change";
    clickHeader(ProgramListModel::nameColumn);
    // Descending keeps equal names in their current order.
    EXPECT_EQ(shown(), (std::vector<QByteArray>{"delta", "charlie", "Bravo", "Alpha", "alpha"}));
    clickHeader(ProgramListModel::nameColumn);
    EXPECT_EQ(shown(), (std::vector<QByteArray>{"Alpha", "alpha", "Bravo", "charlie", "delta"}));

    // "CA" keeps the name order among equal CA values (delta and Bravo are scrambled).
    clickHeader(ProgramListModel::caColumn);
    EXPECT_EQ(shown(), (std::vector<QByteArray>{"Alpha", "alpha", "charlie", "Bravo", "delta"}));
    clickHeader(ProgramListModel::transponderColumn);
    EXPECT_EQ(shown(), (std::vector<QByteArray>{"delta", "Alpha", "charlie", "Bravo", "alpha"}));

    button("apply")->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(namesOf(database->tvList), shown());
}

TEST_F(ChannelListDialogTest, DroppingOnARowMovesTheDraggedRowThere) {
    struct Case {
        int from;
        int onto; // -1: below the last row
        std::vector<QByteArray> expected;
        int selected;
    };
    const std::vector<Case> cases{
        {2, 5, numbered({0, 1, 3, 4, 5, 2, 6, 7}), 5},
        {5, 2, numbered({0, 1, 5, 2, 3, 4, 6, 7}), 2},
        {3, 3, numbered({0, 1, 2, 3, 4, 5, 6, 7}), 3},
        {3, -1, numbered({0, 1, 2, 3, 4, 5, 6, 7}), 3},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(testing::Message() << test.from << " onto " << test.onto);
        open({{programNames(8)}});
        const QPoint below(rowCenter(0).x(), list()->viewport()->height() - 3);
        const QPoint target = test.onto < 0 ? below : rowCenter(test.onto);
        // Dropping on itself goes away first and comes back.
        drag({rowCenter(test.from), rowCenter(0), target});
        release(target);
        EXPECT_EQ(shown(), test.expected);
        EXPECT_EQ(list()->currentIndex().row(), test.selected);
        EXPECT_EQ(button("apply")->isEnabled(), shown() != programNames(8));
    }
}

TEST_F(ChannelListDialogTest, HoldingTheDragBelowTheListScrollsItAndTheDropLandsOnAVisibleRow) {
    open({{programNames(300)}});
    QScrollBar* scroll = list()->verticalScrollBar();
    ASSERT_EQ(scroll->value(), 0);
    const QPoint below(rowCenter(0).x(), list()->viewport()->height() + 20);
    drag({rowCenter(0), below}, 600);
    EXPECT_GT(scroll->value(), 0);
    const int target = list()->indexAt(QPoint(5, list()->viewport()->height() / 2)).row();
    ASSERT_GT(target, 1);
    const QPoint onTarget = rowCenter(target);
    moveAlong({below, onTarget});
    release(onTarget);
    EXPECT_EQ(shown()[std::size_t(target)], "P0");
    EXPECT_EQ(shown()[0], "P1");
    EXPECT_EQ(list()->currentIndex().row(), target);
}

TEST_F(ChannelListDialogTest, OneSatellitesViewPermutesOnlyThePlacesItsProgramsHeld) {
    // Satellite 1 owns A, B, C at positions 1, 4 and 7 of the TV list.
    open({{{"P0", "P2", "P3", "P5", "P6", "P8"}, {"A", "B", "C"}}, {0, 6, 1, 2, 7, 3, 4, 8, 5}});
    combo()->setCurrentIndex(2);
    EXPECT_EQ(shown(), (std::vector<QByteArray>{"A", "B", "C"}));
    clickHeader(ProgramListModel::nameColumn);
    clickHeader(ProgramListModel::nameColumn);
    EXPECT_EQ(shown(), (std::vector<QByteArray>{"C", "B", "A"}));

    // Another view and back forgets the sort: the next click sorts ascending again.
    combo()->setCurrentIndex(0);
    EXPECT_EQ(shown(),
              (std::vector<QByteArray>{"P0", "C", "P2", "P3", "B", "P5", "P6", "A", "P8"}));
    combo()->setCurrentIndex(2);
    clickHeader(ProgramListModel::nameColumn);
    EXPECT_EQ(shown(), (std::vector<QByteArray>{"A", "B", "C"}));
    clickHeader(ProgramListModel::nameColumn);

    button("apply")->click();
    EXPECT_EQ(namesOf(database->tvList),
              (std::vector<QByteArray>{"P0", "C", "P2", "P3", "B", "P5", "P6", "A", "P8"}));
}

TEST_F(ChannelListDialogTest, ContextMenuGreysAddForMemberGroupsAndRemoveForTheOthers) {
    open({{programNames(3)}});
    ProgramNode* program = database->tvList[1];
    program->favoriteMask = 0x85; // groups 1 and 3
    database->favoriteGroups[0].tvMembers = {program};
    database->favoriteGroups[2].tvMembers = {program};
    dialog.reset();
    openOn(*database);

    rightClick(1, [](QMenu* menu) {
        QStringList texts;
        std::vector<bool> enabled;
        for (QAction* entry : menu->actions()) {
            texts << (entry->isSeparator() ? QStringLiteral("-") : entry->text());
            enabled.push_back(entry->isEnabled());
        }
        EXPECT_EQ(texts, (QStringList{"Add to Group 1", "Add to Group 2", "Add to Group 3",
                                      "Add to Group 4", "-", "Remove from Group 1",
                                      "Remove from Group 2", "Remove from Group 3",
                                      "Remove from Group 4", "-", "Move to Top", "Move to Bottom",
                                      "Move to Position...", "-", "Delete"}));
        EXPECT_EQ(enabled, (std::vector<bool>{false, true, false, true, true, true, false, true,
                                              false, true, true, true, true, true, true}));
    });
    EXPECT_EQ(favText(1), QStringLiteral("13"));
    EXPECT_FALSE(button("apply")->isEnabled());

    // Beside the rows no menu opens.
    EXPECT_TRUE(menuOpensAt(rowCenter(2)));
    EXPECT_FALSE(menuOpensAt(QPoint(10, list()->viewport()->height() - 3)));
}

TEST_F(ChannelListDialogTest, JoiningAndLeavingGroupsKeepsTheMaskAndMemberListsInStep) {
    struct Case {
        int groupCount;
        int group; // 0-based
        std::uint8_t maskAfterAdd;
        QString favAfterAdd;
    };
    for (const Case& test : {Case{4, 1, 0x82, "2"}, Case{8, 7, 0x80, "8"}}) {
        SCOPED_TRACE(test.groupCount);
        Layout layout{{programNames(3)}};
        layout.groupCount = test.groupCount;
        open(layout);
        const QString groupName = QStringLiteral("Group %1").arg(test.group + 1);
        rightClick(2, [&](QMenu* menu) { choose(menu, "Add to " + groupName); });
        EXPECT_EQ(favText(2), test.favAfterAdd);
        EXPECT_EQ(rows()->programAt(2)->pendingFavoriteMask, test.maskAfterAdd);
        EXPECT_EQ(rows()->programAt(2)->favoriteMask, 0) << "nothing reaches the database yet";
        rightClick(0, [&](QMenu* menu) { choose(menu, "Add to " + groupName); });
        rightClick(0, [&](QMenu* menu) { choose(menu, "Remove from " + groupName); });
        EXPECT_EQ(rows()->programAt(0)->pendingFavoriteMask, 0);
        EXPECT_EQ(favText(0), QString());

        button("apply")->click();
        ASSERT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(database->tvList[2]->favoriteMask, test.maskAfterAdd);
        EXPECT_EQ(database->tvList[0]->favoriteMask, 0);
        EXPECT_EQ(namesOf(database->favoriteGroups[std::size_t(test.group)].tvMembers),
                  std::vector<QByteArray>{"P2"});
    }
}

TEST_F(ChannelListDialogTest, FavoriteModeShowsAndReordersOnlyTheGroup) {
    open({{programNames(5)}});
    for (int row : {0, 2, 4})
        rightClick(row, [](QMenu* menu) { choose(menu, "Add to Group 2"); });
    rightClick(2, [](QMenu* menu) { choose(menu, "Add to Group 1"); });

    QTest::mouseClick(favoriteMode(), Qt::LeftButton);
    EXPECT_TRUE(button("rename")->isVisible());
    EXPECT_EQ(combo()->itemText(0), QStringLiteral("1. Group 1"));
    EXPECT_EQ(shown(), (std::vector<QByteArray>{"P2"}));
    combo()->setCurrentIndex(1);
    EXPECT_EQ(shown(), (std::vector<QByteArray>{"P0", "P2", "P4"}));

    drag({rowCenter(0), rowCenter(2)});
    release(rowCenter(2));
    EXPECT_EQ(shown(), (std::vector<QByteArray>{"P2", "P4", "P0"}));
    // Leaving the shown group deletes the row and leaves the others' "Fav" as they were.
    rightClick(0, [](QMenu* menu) { choose(menu, "Remove from Group 2"); });
    EXPECT_EQ(shown(), (std::vector<QByteArray>{"P4", "P0"}));
    EXPECT_EQ(favText(0), QStringLiteral("2"));
    EXPECT_EQ(favText(1), QStringLiteral("2"));

    button("apply")->click();
    EXPECT_EQ(namesOf(database->favoriteGroups[1].tvMembers),
              (std::vector<QByteArray>{"P4", "P0"}));
    EXPECT_EQ(namesOf(database->favoriteGroups[0].tvMembers), std::vector<QByteArray>{"P2"});
    EXPECT_EQ(namesOf(database->tvList), programNames(5)) << "the channel order is untouched";
    EXPECT_EQ(database->tvList[2]->favoriteMask, 0x81);
}

TEST_F(ChannelListDialogTest,
       RenameOffersTheExistingGroupsRefusesUnstorableNamesAndCancelKeepsThem) {
    std::vector<QString> messages;
    setMessageRecorder(
        [&messages](const ShownMessage& message) { messages.push_back(message.text); });
    for (int groupCount : {4, 8, 3}) {
        SCOPED_TRACE(groupCount);
        Layout layout{{programNames(2)}};
        layout.groupCount = groupCount;
        open(layout);
        QTest::mouseClick(favoriteMode(), Qt::LeftButton);
        EXPECT_EQ(combo()->count(), groupCount);

        messages.clear();
        int rowsShown = 0;
        onNextModal([&](QWidget* window) {
            auto* names = qobject_cast<FavoriteNamesDialog*>(window);
            ASSERT_NE(names, nullptr);
            EXPECT_EQ(names->windowTitle(), QStringLiteral("Favorite Group Names"));
            rowsShown = names->nameCount();
            EXPECT_EQ(names->nameEdit(1)->text(), QStringLiteral("Group 2"));
            QPushButton* ok = nullptr;
            for (QPushButton* candidate : names->findChildren<QPushButton*>())
                if (candidate->text() == QStringLiteral("OK"))
                    ok = candidate;
            ASSERT_NE(ok, nullptr);
            for (const QString& refused : {QStringLiteral("Euro \u20ac"), QString(256, 'x')}) {
                names->nameEdit(0)->setText(refused);
                ok->click();
                EXPECT_TRUE(names->isVisible()) << "refused names keep the window open";
            }
            names->nameEdit(0)->setText(QStringLiteral("Caf\u00e9 & News"));
            names->nameEdit(1)->clear();
            ok->click();
        });
        button("rename")->click();
        EXPECT_EQ(rowsShown, groupCount);
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_TRUE(messages[0].contains(QStringLiteral("\u20ac")));
        EXPECT_TRUE(messages[1].contains(QStringLiteral("255")));
        EXPECT_EQ(combo()->itemText(0), QStringLiteral("1. Caf\u00e9 & News"));
        EXPECT_EQ(combo()->itemText(1), QStringLiteral("2. "));
        EXPECT_TRUE(button("apply")->isEnabled());

        button("cancel")->click();
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        EXPECT_EQ(database->favoriteGroups[0].name, "Group 1");
        EXPECT_EQ(database->favoriteGroups[1].name, "Group 2");
    }
}

TEST_F(ChannelListDialogTest, WithoutGroupsThereIsNoFavoriteModeAndNoGroupEntries) {
    Layout layout{{programNames(3)}};
    layout.groupCount = 0;
    open(layout);
    EXPECT_FALSE(favoriteMode()->isEnabled());
    EXPECT_EQ(favText(0), QString());
    rightClick(1, [](QMenu* menu) {
        EXPECT_EQ(menu->actions().front()->text(), QStringLiteral("Move to Top"));
        menu->close();
    });

    // Enter reaches the disabled "Apply": nothing happens; Cancel writes nothing.
    QTest::keyClick(list(), Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
    button("cancel")->click();
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

TEST_F(ChannelListDialogTest, TheFileWrittenAfterApplyHoldsTheOrderAndMembersShown) {
    // A generated file with several satellites and at least two favourite groups.
    ChannelDatabase generated;
    for (std::uint32_t seed = 1;; ++seed) {
        ASSERT_LT(seed, 200u);
        QByteArray image;
        ChannelGeneratorOptions options;
        options.seed = seed;
        options.programs = 60;
        ASSERT_EQ(generateChannelImage(options, image), 0);
        ASSERT_EQ(readChannelImage(generated, image), 0);
        generated.renumber();
        if (generated.favoriteGroupCount >= 2 && generated.tvList.size() >= 8 &&
            generated.programSatellites.size() >= 2)
            break;
    }
    openOn(generated);

    drag({rowCenter(1), rowCenter(6)});
    release(rowCenter(6));
    clickHeader(ProgramListModel::transponderColumn);
    for (int row : {0, 3, 5})
        rightClick(row, [this](QMenu* menu) {
            if (menu->actions().at(1)->isEnabled())
                choose(menu, menu->actions().at(1)->text());
        });
    const std::vector<ProgramNode*> tvShown = rows()->programs();
    const std::vector<ProgramNode*> radioShown = rows("radioList")->programs();

    QTest::mouseClick(favoriteMode(), Qt::LeftButton);
    combo()->setCurrentIndex(1);
    ASSERT_GE(rows()->rowCount(), 3);
    drag({rowCenter(2), rowCenter(0)});
    release(rowCenter(0));
    const std::vector<ProgramNode*> groupShown = rows()->programs();
    button("apply")->click();
    ASSERT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(generated.tvList, tvShown);
    EXPECT_EQ(generated.radioList, radioShown);
    EXPECT_EQ(generated.favoriteGroups[1].tvMembers, groupShown);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("applied.cdf"));
    ASSERT_EQ(writeChannelFile(generated, path), 0);
    ChannelDatabase readBack;
    ASSERT_EQ(readChannelFile(readBack, path), 0);
    // The file keeps each transponder's programs in channel list order, so programs are
    // matched by their records, not by their places in the tree.
    EXPECT_EQ(records(readBack.tvList), records(generated.tvList));
    EXPECT_EQ(records(readBack.radioList), records(generated.radioList));
    ASSERT_EQ(readBack.favoriteGroupCount, generated.favoriteGroupCount);
    for (int g = 0; g < generated.favoriteGroupCount; ++g) {
        const FavoriteGroup& written = generated.favoriteGroups[std::size_t(g)];
        const FavoriteGroup& read = readBack.favoriteGroups[std::size_t(g)];
        EXPECT_EQ(read.name, written.name);
        EXPECT_EQ(records(read.tvMembers), records(written.tvMembers)) << g;
        EXPECT_EQ(records(read.radioMembers), records(written.radioMembers)) << g;
    }
}

TEST_F(ChannelListDialogTest, KeyboardAloneMovesSortsOpensTheMenuAndHelp) {
    std::vector<ShownMessage> messages;
    setMessageRecorder([&messages](const ShownMessage& message) { messages.push_back(message); });
    open({{{"c", "a", "b"}}});
    list()->setFocus();
    list()->setCurrentIndex(rows()->index(0, 0));

    QTest::keyClick(list(), Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(shown(), (std::vector<QByteArray>{"a", "c", "b"}));
    EXPECT_EQ(list()->currentIndex().row(), 1);
    QTest::keyClick(list(), Qt::Key_Up, Qt::ControlModifier);
    QTest::keyClick(list(), Qt::Key_Up, Qt::ControlModifier); // already at the top
    EXPECT_EQ(shown(), (std::vector<QByteArray>{"c", "a", "b"}));

    QTest::keyClick(list(), Qt::Key_2, Qt::ControlModifier); // "Name"
    EXPECT_EQ(shown(), (std::vector<QByteArray>{"a", "b", "c"}));
    EXPECT_EQ(list()->currentIndex().row(), 2) << "the current program follows the sort";

    onNextModal([](QWidget* popup) { choose(qobject_cast<QMenu*>(popup), "Add to Group 3"); });
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QPoint());
    QApplication::sendEvent(list(), &menuKey);
    EXPECT_EQ(favText(2), QStringLiteral("3"));

    button("help")->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, MessageIcon::none);
    EXPECT_EQ(messages[0].text,
              QStringLiteral("\nTo sort the channel list\n\n\t- Click the left mouse button on a "
                             "column header of the list.\n\nTo move a channel item\n\n\t- Drag "
                             "and drop a channel item.\n\nTo add a channel item to a favorite "
                             "group\nTo remove a channel item from a favorite group\n\n\t- Click "
                             "the right mouse button on the name of a channel item\n"));
}

TEST_F(ChannelListDialogTest, TypingJumpsToTheNextNameBeginningWithTheTextWithoutFiltering) {
    const int interval = QApplication::keyboardInputInterval();
    QApplication::setKeyboardInputInterval(150);
    open({{{"Alpha", "Beta", "Bravo", "Charlie", "beta 2"}}});
    list()->setFocus();
    list()->setCurrentIndex(rows()->index(0, 0));
    const auto typed = [this](const char* text) {
        QTest::qWait(QApplication::keyboardInputInterval() + 100); // a new search
        QTest::keyClicks(list(), QString::fromLatin1(text));
        return list()->currentIndex().row();
    };
    EXPECT_EQ(typed("b"), 1);
    EXPECT_EQ(typed("b"), 2) << "the same letter again goes on to the next one";
    EXPECT_EQ(typed("BE"), 4) << "case does not matter";
    EXPECT_EQ(typed("be"), 1) << "the search wraps";
    EXPECT_EQ(typed("x"), 1) << "no match keeps the current row";
    EXPECT_EQ(shown(), (std::vector<QByteArray>{"Alpha", "Beta", "Bravo", "Charlie", "beta 2"}));
    EXPECT_FALSE(button("apply")->isEnabled());
    QApplication::setKeyboardInputInterval(interval);
}

// The reference has the programs in reverse order, lacks P2 and has groups of its own.
TEST_F(ChannelListDialogTest, OrderFromFileTakesTheReferenceUntilCancelOrApply) {
    QTemporaryDir dir;
    const QString referencePath = dir.filePath(QStringLiteral("reference.cdf"));
    {
        Layout layout{{programNames(5)}, {4, 3, 2, 1, 0}};
        std::unique_ptr<ChannelDatabase> reference = makeDatabase(layout);
        ProgramNode* p2 = reference->tvList[2];
        ASSERT_TRUE(reference->deleteProgram(p2->transponder(), p2));
        for (int g = 0; g < 4; ++g)
            reference->favoriteGroups[std::size_t(g)].name = "Ref " + QByteArray::number(g + 1);
        reference->favoriteGroups[0].tvMembers = {reference->tvList[0]};
        reference->tvList[0]->favoriteMask = 0x81;
        ASSERT_EQ(writeChannelFile(*reference, referencePath), 0);
    }
    const QString junkPath = dir.filePath(QStringLiteral("junk.cdf"));
    {
        QFile junk(junkPath);
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write("not a channel file at all");
    }
    QString chosen;
    setFileDialogResponder([&chosen](const FileDialogRequest& request) {
        EXPECT_TRUE(request.mustExist);
        EXPECT_EQ(request.filter,
                  QStringLiteral("Channel Data File (*.CDF)|*.cdf|All file (*.*)|*.*||"));
        return chosen;
    });
    std::vector<ShownMessage> messages;
    setMessageRecorder([&messages](const ShownMessage& message) { messages.push_back(message); });

    database = makeDatabase({{programNames(5)}});
    ProgramNode* p2 = database->tvList[2];
    p2->favoriteMask = 0x84;
    database->favoriteGroups[2].tvMembers = {p2};
    struct Snapshot {
        std::vector<Program> tv, radio, group1, group3;
        QByteArray name1;
        bool operator==(const Snapshot&) const = default;
    };
    const auto snapshot = [this] {
        const auto& groups = database->favoriteGroups;
        return Snapshot{records(database->tvList), records(database->radioList),
                        records(groups[0].tvMembers), records(groups[2].tvMembers), groups[0].name};
    };
    const Snapshot before = snapshot();

    openOn(*database);
    QPushButton* orderFromFile = button("orderFromFile");
    ASSERT_NE(orderFromFile, nullptr);
    EXPECT_EQ(orderFromFile->text(), QStringLiteral("Order from file..."));
    chosen = junkPath;
    orderFromFile->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("Invalid CDF format..."));
    EXPECT_EQ(messages[0].icon, MessageIcon::stop);
    chosen.clear(); // the file dialog cancelled
    orderFromFile->click();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_FALSE(button("apply")->isEnabled());

    chosen = referencePath;
    orderFromFile->click();
    EXPECT_EQ(shown(), numbered({4, 3, 1, 0, 2}));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, QStringLiteral("Order taken from reference.cdf.\n\n"
                                               "TV programs: 4 matched, 1 not matched\n"
                                               "Radio programs: 4 matched, 0 not matched\n\n"
                                               "Programs not found there follow the others in "
                                               "their own order."));
    EXPECT_EQ(favText(0), QStringLiteral("1"));
    EXPECT_EQ(favText(4), QStringLiteral("3")) << "P2 keeps its own group";
    EXPECT_TRUE(button("apply")->isEnabled());
    QTest::mouseClick(favoriteMode(), Qt::LeftButton);
    EXPECT_EQ(combo()->itemText(0), QStringLiteral("1. Ref 1"));
    EXPECT_EQ(shown(), numbered({4}));
    EXPECT_EQ(snapshot(), before) << "nothing reaches the database before Apply";
    button("cancel")->click();
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(snapshot(), before);

    openOn(*database);
    button("orderFromFile")->click();
    button("apply")->click();
    ASSERT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(namesOf(database->tvList), numbered({4, 3, 1, 0, 2}));
    EXPECT_EQ(database->favoriteGroups[0].name, QByteArray("Ref 1"));
    EXPECT_EQ(namesOf(database->favoriteGroups[0].tvMembers), numbered({4}));
    EXPECT_EQ(namesOf(database->favoriteGroups[2].tvMembers), numbered({2}));
    EXPECT_EQ(database->tvList[0]->favoriteMask, 0x81);
    EXPECT_EQ(p2->favoriteMask, 0x84);
    setFileDialogResponder({});
}
