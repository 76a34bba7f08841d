// Rows, columns, fixed areas, cell records, sizes and the out-of-range rule.
#include "tests/widgets/grid/grid_test_support.h"

#include <QFontMetrics>
#include <QScrollBar>

namespace {

using GridStructureTest = GridTest;

TEST_F(GridStructureTest, RowCountBelowTheFixedRowsLowersThemAndDropsTheFocus) {
    fill(5, 3);
    ASSERT_TRUE(grid->setFixedRowCount(3));
    ASSERT_TRUE(grid->setFocusCell(5, 2));
    ASSERT_TRUE(grid->setRowCount(2));
    EXPECT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->fixedRowCount(), 2);
    EXPECT_EQ(grid->focusCell(), GridCellRef{});
    EXPECT_EQ(grid->getCellText(1, 1), "r1c1");
    ASSERT_TRUE(grid->setColumnCount(1));
    EXPECT_EQ(grid->fixedColumnCount(), 1);
    EXPECT_FALSE(grid->setRowCount(-1));
    EXPECT_EQ(grid->rowCount(), 2);
}

TEST_F(GridStructureTest, NewRowsAndColumnsAreEmptyWithDefaultSizes) {
    fill(2, 2);
    ASSERT_TRUE(grid->setRowCount(6));
    ASSERT_TRUE(grid->setColumnCount(5));
    EXPECT_EQ(grid->getCellText(5, 4), "");
    EXPECT_EQ(grid->getCellState(5, 4), 0u);
    EXPECT_EQ(grid->rowHeight(5), grid->defaultRowHeight());
    EXPECT_EQ(grid->columnWidth(4), grid->defaultColumnWidth());
    EXPECT_FALSE(grid->cellRect(5, 4).isEmpty()) << "new cells are shown";
}

TEST_F(GridStructureTest, FixedCountsGrowTheGridAndTakeTheFocusOutOfTheFixedArea) {
    ASSERT_TRUE(grid->setFixedRowCount(2));
    ASSERT_TRUE(grid->setFixedColumnCount(3));
    EXPECT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->columnCount(), 3);
    grid->setRowCount(10);
    grid->setColumnCount(6);
    ASSERT_TRUE(grid->setFocusCell(3, 4));
    ASSERT_TRUE(grid->setFixedRowCount(4));
    EXPECT_EQ(grid->focusCell(), GridCellRef{});
    ASSERT_TRUE(grid->setFocusCell(5, 4));
    ASSERT_TRUE(grid->setFixedColumnCount(4));
    EXPECT_EQ(grid->focusCell(), (GridCellRef{5, 4})) << "still outside the fixed area";
    EXPECT_FALSE(grid->setFixedRowCount(-2));
}

TEST_F(GridStructureTest, FixedCellsStayInViewWhileTheDataScrolls) {
    fill(60, 12);
    grid->scrollToBottom();
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    EXPECT_FALSE(grid->cellRect(0, 12).isEmpty());
    EXPECT_FALSE(grid->cellRect(60, 0).isEmpty());
    EXPECT_FALSE(grid->cellRect(0, 0).isEmpty());
    EXPECT_TRUE(grid->cellRect(1, 1).isEmpty()) << "scrolled away";
    EXPECT_EQ(grid->cellAt(grid->cellRect(0, 12).center()), (GridCellRef{0, 12}));
    EXPECT_EQ(grid->cellAt(grid->cellRect(60, 0).center()), (GridCellRef{60, 0}));
    EXPECT_EQ(grid->cellRect(0, 0).topLeft(), grid->viewport()->geometry().topLeft() -
                                                  QPoint(grid->columnWidth(0), grid->rowHeight(0)));
}

TEST_F(GridStructureTest, InsertRowPlacesTheRowAndKeepsTheFocusIndexConsistent) {
    fill(4, 2);
    grid->setSelectedRange(1, 1, 2, 2);
    ASSERT_TRUE(grid->setFocusCell(3, 1));

    EXPECT_EQ(grid->insertRow("new", 2), 2);
    EXPECT_EQ(grid->rowCount(), 6);
    EXPECT_EQ(grid->getCellText(2, 0), "new");
    EXPECT_EQ(grid->getCellText(2, 1), "");
    EXPECT_EQ(grid->getCellText(3, 1), "r2c1");
    EXPECT_EQ(grid->focusCell(), (GridCellRef{4, 1})) << "the focus row was below the position";
    EXPECT_TRUE(grid->getCellState(4, 1) & GridState::focused);
    EXPECT_FALSE(selected(1, 1)) << "inserting clears the selection";

    EXPECT_EQ(grid->insertRow("at focus", 4), 4);
    EXPECT_EQ(grid->focusCell(), (GridCellRef{4, 1})) << "a focus row equal to the position stays";
    EXPECT_TRUE(grid->getCellState(4, 1) & GridState::focused);
    EXPECT_FALSE(grid->getCellState(5, 1) & GridState::focused);

    EXPECT_EQ(grid->insertRow("7"), 7) << "-1 appends";
    EXPECT_EQ(grid->getCellText(7, 0), "7");
    EXPECT_EQ(grid->insertRow("x", 8), -1) << "not an existing row";
    EXPECT_EQ(grid->insertRow("x", -2), -1);
    EXPECT_EQ(grid->rowCount(), 8);
}

TEST_F(GridStructureTest, InsertRowIntoAnEmptyGridMakesAColumn) {
    EXPECT_EQ(grid->insertRow("first"), 0);
    EXPECT_EQ(grid->columnCount(), 1);
    EXPECT_EQ(grid->getCellText(0, 0), "first");
    EXPECT_GT(grid->rowHeight(0), QFontMetrics(grid->font()).height() - 1);
}

TEST_F(GridStructureTest, DeleteRowMovesTheFocusAndLowersTheFixedRows) {
    fill(5, 2);
    ASSERT_TRUE(grid->setFocusCell(3, 2));
    ASSERT_TRUE(grid->deleteRow(1));
    EXPECT_EQ(grid->focusCell(), (GridCellRef{2, 2}));
    EXPECT_EQ(grid->getCellText(1, 1), "r2c1");
    ASSERT_TRUE(grid->deleteRow(2));
    EXPECT_EQ(grid->focusCell(), GridCellRef{}) << "the focus row went";
    ASSERT_TRUE(grid->deleteRow(0));
    EXPECT_EQ(grid->fixedRowCount(), 0);
    EXPECT_EQ(grid->rowCount(), 3);
    EXPECT_FALSE(grid->deleteRow(3));
    EXPECT_FALSE(grid->deleteRow(-1));
}

TEST_F(GridStructureTest, OutOfRangeIndexesChangeNothing) {
    fill(2, 2);
    EXPECT_FALSE(grid->setCellText(3, 1, "x"));
    EXPECT_FALSE(grid->setCellText(1, -1, "x"));
    EXPECT_EQ(grid->getCellText(3, 1), "");
    EXPECT_EQ(grid->getCellState(-1, 0), 0u);
    EXPECT_FALSE(grid->setRowHeight(3, 20));
    EXPECT_FALSE(grid->setRowHeight(1, -1));
    EXPECT_FALSE(grid->setColumnWidth(3, 20));
    EXPECT_FALSE(grid->setColumnWidth(1, -5));
    EXPECT_FALSE(grid->setFocusCell(3, 1));
    EXPECT_FALSE(grid->setSelectedRange(1, 1, 3, 2));
    GridItem item;
    item.row = 1;
    item.column = 9;
    item.mask = GridMask::text;
    EXPECT_FALSE(grid->setCell(item));
    EXPECT_FALSE(grid->getCell(item));
}

TEST_F(GridStructureTest, SetCellCopiesOnlyTheMaskedAttributes) {
    fill(2, 2);
    GridItem item;
    item.row = 0;
    item.column = 1;
    item.mask = GridMask::text | GridMask::format;
    item.text = "Header";
    item.format = 0x8025;
    item.data = 77;
    item.backgroundColour = 0x112233;
    ASSERT_TRUE(grid->setCell(item));

    GridItem read;
    read.row = 0;
    read.column = 1;
    ASSERT_TRUE(grid->getCell(read));
    EXPECT_EQ(read.text, "Header");
    EXPECT_EQ(read.format, 0x8025u);
    EXPECT_EQ(read.data, 0u);
    EXPECT_EQ(read.backgroundColour, kGridDefaultColour);

    item.mask = GridMask::data | GridMask::backgroundColour | GridMask::state;
    item.state = GridState::readOnly | GridState::focused;
    item.text = "ignored";
    ASSERT_TRUE(grid->setCell(item));
    ASSERT_TRUE(grid->getCell(read));
    EXPECT_EQ(read.text, "Header");
    EXPECT_EQ(read.data, 77u);
    EXPECT_EQ(read.backgroundColour, 0x112233u);
    EXPECT_EQ(read.state, GridState::readOnly) << "the focus flag follows the focus cell only";
}

TEST_F(GridStructureTest, SizesAreKeptPerRowAndColumn) {
    fill(3, 3);
    ASSERT_TRUE(grid->setRowHeight(0, 16));
    ASSERT_TRUE(grid->setRowHeight(2, 33));
    ASSERT_TRUE(grid->setColumnWidth(0, 40));
    ASSERT_TRUE(grid->setColumnWidth(2, 138));
    EXPECT_EQ(grid->rowHeight(0), 16);
    EXPECT_EQ(grid->cellRect(0, 1).height(), 16);
    EXPECT_EQ(grid->cellRect(2, 1).height(), 33);
    EXPECT_EQ(grid->cellRect(1, 0).width(), 40);
    EXPECT_EQ(grid->cellRect(1, 2).width(), 138);
    EXPECT_EQ(grid->rowHeight(9), 0);
    ASSERT_TRUE(grid->setRowHeight(1, 0));
    EXPECT_EQ(grid->rowHeight(1), 0);
}

TEST_F(GridStructureTest, FontSetsCellFontsMarginAndDefaultSizes) {
    QFont font = grid->font();
    font.setPixelSize(20);
    grid->setFont(font);
    const QFontMetrics metrics(font);
    const int margin = metrics.horizontalAdvance(QLatin1Char(' '));
    EXPECT_EQ(grid->look().margin, margin);
    EXPECT_EQ(grid->defaultRowHeight(),
              metrics.height() + std::max(0, metrics.leading()) + 2 * margin);
    EXPECT_EQ(grid->defaultColumnWidth(), (margin + 6 * metrics.averageCharWidth()) * 2);
    grid->setRowCount(2);
    grid->setColumnCount(2);
    EXPECT_EQ(grid->rowHeight(1), grid->defaultRowHeight());
    EXPECT_EQ(grid->columnWidth(1), grid->defaultColumnWidth());
    GridItem item;
    item.row = 1;
    item.column = 1;
    ASSERT_TRUE(grid->getCell(item));
    EXPECT_EQ(item.font.pixelSize(), 20);
}

TEST_F(GridStructureTest, SelectedRangeAndClearSelection) {
    fill(4, 3);
    ASSERT_TRUE(grid->setFocusCell(2, 2));
    ASSERT_TRUE(grid->setSelectedRange(3, 3, 2, 1));
    for (int row = 1; row <= 4; ++row)
        for (int column = 1; column <= 3; ++column)
            EXPECT_EQ(selected(row, column), row >= 2 && row <= 3) << row << "," << column;
    ASSERT_TRUE(grid->setSelectedRange(-1, -1, -1, -1));
    EXPECT_FALSE(selected(2, 2));
    EXPECT_EQ(grid->focusCell(), (GridCellRef{2, 2}));
    grid->setSelectedRange(1, 1, 1, 1);
    grid->clearSelection();
    EXPECT_FALSE(selected(1, 1));
    EXPECT_EQ(grid->focusCell(), GridCellRef{});
    EXPECT_FALSE(grid->getCellState(2, 2) & GridState::focused);
}

TEST_F(GridStructureTest, NoSelectedCellSurvivesClearingAfterRowsMoveOrStatesAreSet) {
    fill(8, 3);
    ASSERT_TRUE(grid->setSelectedRange(3, 1, 5, 3));
    ASSERT_TRUE(grid->deleteRow(1));
    EXPECT_TRUE(selected(2, 1)) << "the selected rows moved up with their cells";
    EXPECT_TRUE(grid->setCellState(7, 2, GridState::selected));
    click(6, 1);
    for (int row = 0; row < grid->rowCount(); ++row)
        for (int column = 0; column < grid->columnCount(); ++column)
            EXPECT_EQ(selected(row, column), row == 6 && column == 1) << row << "," << column;
}

TEST(GridFormatTest, FormatFlagsMapToAlignment) {
    EXPECT_EQ(gridAlignment(0x8025), Qt::AlignHCenter | Qt::AlignVCenter);
    EXPECT_EQ(gridAlignment(0x8026), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(gridAlignment(0x8024), Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_EQ(gridAlignment(GridFormat::right), Qt::AlignRight | Qt::AlignTop)
        << "vertical placement needs a single line";
}

} // namespace
