// Copy, cut and paste: the exact clipboard text and where pasted fields land.
#include "tests/widgets/grid/grid_test_support.h"

#include "widgets/grid/grid_clipboard.h"

#include <QClipboard>

namespace {

using Changes = QList<QPair<int, int>>;

class GridClipboardTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        fill(5, 4);
        QApplication::clipboard()->clear();
        QObject::connect(grid, &GridCtrl::cellChanged, [this](int row, int column) {
            changes.append({row, column});
        });
        QObject::connect(grid, &GridCtrl::editBegun, [this](int, int) { ++begun; });
        QObject::connect(grid, &GridCtrl::editEnded, [this](int, int) { ++ended; });
    }

    static QString clipboardText() { return QApplication::clipboard()->text(); }

    Changes changes;
    int begun = 0;
    int ended = 0;
};

TEST_F(GridClipboardTest, CopyJoinsCellsByTabsAndRowsByLineFeeds) {
    grid->setCellText(2, 2, "");
    click(1, 1); // the keyboard focus goes to the grid
    ASSERT_TRUE(grid->setSelectedRange(1, 1, 2, 3));
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboardText(), "r1c1\tr1c2\tr1c3\nr2c1\t \tr2c3")
        << "an empty selected cell is one space, no line feed at the end";
}

TEST_F(GridClipboardTest, CopyOfOneCellIsItsText) {
    grid->setSelectedRange(4, 2, 4, 2);
    grid->copy();
    EXPECT_EQ(clipboardText(), "r4c2");
}

TEST_F(GridClipboardTest, UnselectedCellsInsideTheRectangleAreEmpty) {
    grid->setListMode(false);
    click(1, 1);
    click(2, 3, Qt::ControlModifier);
    grid->copy();
    EXPECT_EQ(clipboardText(), "r1c1\t\t\n\t\tr2c3");
}

TEST_F(GridClipboardTest, NothingSelectedLeavesTheClipboardAlone) {
    QApplication::clipboard()->setText("before");
    grid->setSelectedRange(-1, -1, -1, -1);
    grid->copy();
    EXPECT_EQ(clipboardText(), "before");
}

TEST_F(GridClipboardTest, CutCopiesThenClearsTheEditableSelectedCells) {
    grid->setCellState(1, 2, GridState::readOnly);
    grid->setSelectedRange(1, 1, 1, 3);
    grid->cut();
    EXPECT_EQ(clipboardText(), "r1c1\tr1c2\tr1c3");
    EXPECT_EQ(grid->getCellText(1, 1), "");
    EXPECT_EQ(grid->getCellText(1, 2), "r1c2") << "read-only";
    EXPECT_EQ(grid->getCellText(1, 3), "");
    EXPECT_EQ(changes, (Changes{{1, 1}, {1, 3}}));
    EXPECT_EQ(begun, 2);
    EXPECT_EQ(ended, 2);

    grid->setEditable(false);
    grid->setSelectedRange(2, 1, 2, 1);
    grid->cut();
    EXPECT_EQ(clipboardText(), "r2c1");
    EXPECT_EQ(grid->getCellText(2, 1), "r2c1") << "a grid that is not editable only copies";
}

TEST_F(GridClipboardTest, PasteWritesFieldsFromTheFocusCell) {
    click(2, 2);
    grid->setSelectedRange(2, 2, 4, 4);
    QApplication::clipboard()->setText(" a ,b\tc,d\n\n,,e,\n");
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(grid->getCellText(2, 2), "a");
    EXPECT_EQ(grid->getCellText(2, 3), "b");
    EXPECT_EQ(grid->getCellText(2, 4), "c");
    EXPECT_EQ(grid->getCellText(2, 1), "r2c1") << "nothing left of the focus column";
    EXPECT_EQ(grid->getCellText(3, 2), "") << "an empty line clears its first cell";
    EXPECT_EQ(grid->getCellText(3, 3), "r3c3");
    EXPECT_EQ(grid->getCellText(4, 2), "e") << "empty fields are skipped";
    EXPECT_EQ(grid->getCellText(5, 2), "r5c2") << "a final line feed starts no line";
    EXPECT_EQ(changes, (Changes{{2, 2}, {2, 3}, {2, 4}, {3, 2}, {4, 2}}))
        << "d had no cell to its right";
    EXPECT_FALSE(selected(2, 2));
    EXPECT_FALSE(selected(4, 2));
    EXPECT_TRUE(selected(4, 3)) << "only written cells lose their selection";
    EXPECT_TRUE(grid->getCellState(4, 2) & GridState::modified);
}

TEST_F(GridClipboardTest, PasteSkipsReadOnlyCellsAndReportsOnlyChanges) {
    grid->setCellState(1, 2, GridState::readOnly);
    click(1, 1);
    QApplication::clipboard()->setText("r1c1\tX\tY");
    grid->paste();
    EXPECT_EQ(grid->getCellText(1, 2), "r1c2");
    EXPECT_EQ(grid->getCellText(1, 3), "Y");
    EXPECT_EQ(changes, (Changes{{1, 3}})) << "the first field equals the cell's text";
}

TEST_F(GridClipboardTest, CopyThenPasteRoundTrips) {
    grid->setCellText(2, 2, "");
    grid->setSelectedRange(1, 1, 2, 3);
    grid->copy();
    click(4, 2);
    grid->paste();
    EXPECT_EQ(grid->getCellText(4, 2), "r1c1");
    EXPECT_EQ(grid->getCellText(4, 4), "r1c3");
    EXPECT_EQ(grid->getCellText(5, 3), "") << "the space of an empty cell pastes as empty";
}

TEST(GridPasteFieldsTest, SplitsLinesAndFields) {
    using Lines = QList<QStringList>;
    EXPECT_EQ(gridPasteFields("a\tb"), (Lines{{"a", "b"}}));
    EXPECT_EQ(gridPasteFields("a,,b\n"), (Lines{{"a", "b"}}));
    EXPECT_EQ(gridPasteFields("a\n\nb"), (Lines{{"a"}, {""}, {"b"}}));
    EXPECT_EQ(gridPasteFields("\t,\t"), (Lines{{}}));
    EXPECT_EQ(gridPasteFields("x \r\n y"), (Lines{{"x"}, {"y"}}));
    // Only what fits the grid from the focus cell on is taken.
    EXPECT_EQ(gridPasteFields("a,b,c\nd\ne,f", 2, 2), (Lines{{"a", "b"}, {"d"}}));
    EXPECT_EQ(gridPasteFields("\n\nx", 2, 1), (Lines{{""}, {""}}));
}

} // namespace
