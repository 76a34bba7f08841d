// Focus and selection by keyboard and mouse, the mouse wheel, and the pop-up for truncated
// texts.
#include "tests/widgets/grid/grid_test_support.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QWheelEvent>

#include <functional>

namespace {

class GridNavigationTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        fill(40, 4);
    }

    // Rows whose data cells are all selected, and no cell selected outside them.
    QList<int> selectedRows() const {
        QList<int> rows;
        for (int row = 0; row < grid->rowCount(); ++row) {
            int count = 0;
            for (int column = 0; column < grid->columnCount(); ++column)
                count += selected(row, column) ? 1 : 0;
            if (count == grid->columnCount() - grid->fixedColumnCount())
                rows.append(row);
            else
                EXPECT_EQ(count, 0) << "row " << row << " partly selected";
        }
        return rows;
    }

    int topRow() const { return grid->rowAt(0); }
};

TEST_F(GridNavigationTest, ArrowsMoveByOneAndNeverIntoTheFixedCells) {
    click(1, 1);
    key(Qt::Key_Up);
    key(Qt::Key_Left);
    EXPECT_EQ(grid->focusCell(), (GridCellRef{1, 1}));
    key(Qt::Key_Down);
    key(Qt::Key_Right);
    EXPECT_EQ(grid->focusCell(), (GridCellRef{2, 2}));
    EXPECT_TRUE(grid->getCellState(2, 2) & GridState::focused);
    EXPECT_FALSE(grid->getCellState(1, 1) & GridState::focused);
    for (int i = 0; i < 10; ++i)
        key(Qt::Key_Right);
    EXPECT_EQ(grid->focusCell(), (GridCellRef{2, 4}));
}

TEST_F(GridNavigationTest, ArrowsRestartTheSelectionAndShiftExtendsIt) {
    click(5, 2);
    key(Qt::Key_Down);
    EXPECT_TRUE(selected(6, 2));
    EXPECT_FALSE(selected(5, 2));
    key(Qt::Key_Down, Qt::ShiftModifier);
    key(Qt::Key_Right, Qt::ShiftModifier);
    for (int row = 5; row <= 8; ++row)
        for (int column = 1; column <= 4; ++column)
            EXPECT_EQ(selected(row, column), row >= 6 && row <= 7 && column >= 2 && column <= 3)
                << row << "," << column;
}

TEST_F(GridNavigationTest, ListModeSelectsWholeRows) {
    grid->setListMode(true);
    click(3, 2);
    EXPECT_EQ(selectedRows(), (QList<int>{3}));
    key(Qt::Key_Down, Qt::ShiftModifier);
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(selectedRows(), (QList<int>{3, 4, 5}));
    click(8, 1, Qt::ShiftModifier);
    EXPECT_EQ(selectedRows(), (QList<int>{5, 6, 7, 8})) << "anchored at the focus cell";
    click(10, 3, Qt::ControlModifier);
    EXPECT_EQ(selectedRows(), (QList<int>{5, 6, 7, 8, 10})) << "Ctrl adds to the selection";
    click(2, 1);
    EXPECT_EQ(selectedRows(), (QList<int>{2}));
}

TEST_F(GridNavigationTest, DraggingExtendsTheSelection) {
    grid->setListMode(true);
    QPoint from;
    QWidget* area = areaOf(2, 1, &from);
    QPoint to;
    areaOf(5, 3, &to);
    QTest::mousePress(area, Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, to, area->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(area, &move);
    QTest::mouseRelease(area, Qt::LeftButton, Qt::NoModifier, to);
    EXPECT_EQ(selectedRows(), (QList<int>{2, 3, 4, 5}));
    EXPECT_EQ(grid->focusCell(), (GridCellRef{2, 1}));
}

TEST_F(GridNavigationTest, ClickOnAFixedCellMovesOnlyItsDataCoordinate) {
    click(4, 3);
    click(7, 0); // row number
    EXPECT_EQ(grid->focusCell(), (GridCellRef{7, 3}));
    EXPECT_EQ(selectedRows(), QList<int>{}) << "the selection is dropped";
    click(0, 2); // header
    EXPECT_EQ(grid->focusCell(), (GridCellRef{7, 2}));
    click(0, 0); // corner
    EXPECT_EQ(grid->focusCell(), (GridCellRef{7, 2}));
}

TEST_F(GridNavigationTest, TabWrapsBetweenRowsAndCtrlTabMovesToTheNextControl) {
    auto* next = new QLineEdit(grid->parentWidget());
    next->setGeometry(0, 380, 100, 20);
    next->show();
    click(1, 4);
    key(Qt::Key_Tab);
    EXPECT_EQ(grid->focusCell(), (GridCellRef{2, 1}));
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(grid->focusCell(), (GridCellRef{1, 4}));
    EXPECT_TRUE(selected(1, 4)) << "Tab restarts the selection";
    ASSERT_TRUE(grid->hasFocus());
    key(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_TRUE(next->hasFocus());
    EXPECT_EQ(grid->focusCell(), (GridCellRef{1, 4}));

    grid->setHandleTabKey(false);
    grid->setFocus();
    key(Qt::Key_Tab);
    EXPECT_TRUE(next->hasFocus()) << "Tab left to the dialog";
    EXPECT_EQ(grid->focusCell(), (GridCellRef{1, 4}));
}

TEST_F(GridNavigationTest, HomeEndAndPageKeysScrollAndMoveTheFocus) {
    click(1, 2);
    key(Qt::Key_End);
    EXPECT_EQ(grid->focusCell(), (GridCellRef{40, 2}));
    EXPECT_FALSE(grid->cellRect(40, 2).isEmpty()) << "scrolled into view";
    key(Qt::Key_Home);
    EXPECT_EQ(grid->focusCell(), (GridCellRef{1, 2}));
    EXPECT_EQ(topRow(), 1);

    key(Qt::Key_Down);
    const int before = topRow();
    key(Qt::Key_PageDown);
    const int scrolled = topRow() - before;
    ASSERT_GT(scrolled, 1);
    EXPECT_EQ(grid->focusCell(), (GridCellRef{2 + scrolled, 2})) << "moved by the rows scrolled";
    for (int i = 0; i < 10; ++i)
        key(Qt::Key_PageDown);
    EXPECT_EQ(grid->focusCell().row, 40) << "on the last page, to the last row";
    for (int i = 0; i < 10; ++i)
        key(Qt::Key_PageUp);
    EXPECT_EQ(grid->focusCell().row, 1) << "on the first page, to the first data row";
}

TEST_F(GridNavigationTest, CtrlASelectsEveryDataCell) {
    click(2, 2);
    key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(selectedRows().size(), 40);
    EXPECT_FALSE(selected(0, 1));
    EXPECT_FALSE(selected(1, 0));
}

TEST_F(GridNavigationTest, SelectionCanBeSwitchedOff) {
    grid->setSelectionAllowed(false);
    click(2, 2);
    key(Qt::Key_Down, Qt::ShiftModifier);
    key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(grid->focusCell(), (GridCellRef{3, 2}));
    EXPECT_FALSE(selected(2, 2));
    EXPECT_FALSE(selected(3, 2));
}

TEST_F(GridNavigationTest, ReleasingTheLeftButtonIsReported) {
    QSignalSpy released(grid, &GridCtrl::buttonReleased);
    click(3, 3);
    click(0, 1);
    EXPECT_EQ(released.count(), 2);
}

TEST_F(GridNavigationTest, WheelScrollsByTheStepAndAddsUpSmallMovements) {
    grid->setMouseWheelStep(3);
    grid->verticalScrollBar()->setValue(10);
    const int start = topRow();
    const auto wheel = [&](int delta) {
        const QPoint at = grid->viewport()->rect().center();
        QWheelEvent event(at, grid->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid->viewport(), &event);
    };
    wheel(120);
    EXPECT_EQ(topRow(), start - 3) << "away from the user scrolls up";
    wheel(-240);
    EXPECT_EQ(topRow(), start + 3);
    wheel(-20);
    wheel(-20);
    EXPECT_EQ(topRow(), start + 4) << "40 units make one line at 3 lines a notch";

    grid->setMouseWheelStep(-1);
    const int pageTop = topRow();
    wheel(-120);
    EXPECT_GT(topRow() - pageTop, 3) << "a page per notch";
}

TEST_F(GridNavigationTest, TitleTipShowsTheWholeTextOfATruncatedCell) {
    const QString longText = QStringLiteral("a text much too long to fit into this narrow cell");
    grid->setCellText(3, 2, longText);
    click(1, 1);
    moveOver(3, 2);
    ASSERT_TRUE(grid->isTitleTipShown());
    EXPECT_EQ(grid->titleTipText(), " " + longText + " ");
    moveOver(3, 3);
    EXPECT_FALSE(grid->isTitleTipShown()) << "hidden when the pointer leaves the cell";

    moveOver(3, 2);
    ASSERT_TRUE(grid->isTitleTipShown());
    key(Qt::Key_Down);
    EXPECT_FALSE(grid->isTitleTipShown());
    EXPECT_EQ(grid->focusCell(), (GridCellRef{2, 1})) << "the key still reaches the grid";

    moveOver(4, 4);
    moveOver(3, 2);
    ASSERT_TRUE(grid->isTitleTipShown());
    click(3, 2);
    EXPECT_FALSE(grid->isTitleTipShown());
    EXPECT_EQ(grid->focusCell(), (GridCellRef{3, 2})) << "the press still reaches the grid";

    grid->setTitleTips(false);
    moveOver(4, 4);
    moveOver(3, 2);
    EXPECT_FALSE(grid->isTitleTipShown());
}

// The pop-up never shows a text the cell under it no longer has.
TEST_F(GridNavigationTest, TitleTipFollowsTheCellUnderIt) {
    const QString longText = QStringLiteral("a text much too long to fit into this narrow cell");
    const QString otherText = QStringLiteral("another text that is also far too wide for it");
    const auto hover = [&] {
        grid->setCellText(3, 2, longText);
        moveOver(4, 4);
        moveOver(3, 2);
        ASSERT_TRUE(grid->isTitleTipShown());
    };
    click(1, 1);
    hover();
    grid->setCellText(3, 3, otherText);
    EXPECT_EQ(grid->titleTipText(), " " + longText + " ") << "another cell changed";
    grid->setCellText(3, 2, otherText);
    EXPECT_TRUE(grid->isTitleTipShown());
    EXPECT_EQ(grid->titleTipText(), " " + otherText + " ");
    grid->setRowTexts(3, {"3", "", "short"});
    EXPECT_FALSE(grid->isTitleTipShown()) << "the new text fits";

    const std::pair<const char*, std::function<void()>> moves[] = {
        {"its row deleted", [&] { grid->deleteRow(3); }},
        {"its row deleted with others",
         [&] {
             grid->deleteRows({2, 3});
         }},
        {"a row inserted above", [&] { grid->insertRow(QString(), 1); }},
        {"rows cut back", [&] { grid->setRowCount(3); }},
        {"its column widened", [&] { grid->setColumnWidth(2, 600); }},
    };
    for (const auto& [name, change] : moves) {
        SCOPED_TRACE(name);
        grid->setRowCount(0);
        fill(40, 4);
        hover();
        change();
        EXPECT_FALSE(grid->isTitleTipShown());
    }
}

TEST_F(GridNavigationTest, TitleTipAlsoServesFixedCellsButNotShortTexts) {
    grid->setCellText(0, 1, QStringLiteral("A header far wider than its column"));
    moveOver(0, 1);
    EXPECT_TRUE(grid->isTitleTipShown());
    moveOver(2, 2);
    EXPECT_FALSE(grid->isTitleTipShown());
}

} // namespace
