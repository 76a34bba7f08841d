// Rows and columns that change under an edit in progress, under a mouse drag and in bulk.
#include "tests/widgets/grid/grid_test_support.h"

#include <QMouseEvent>

#include <functional>

namespace {

using GridRowChangeTest = GridTest;

QStringList firstColumnTexts(const GridCtrl& grid) {
    QStringList texts;
    for (int row = 1; row < grid.rowCount(); ++row)
        texts << grid.getCellText(row, 1);
    return texts;
}

// Ending the edit reports "cell changed", and this handler deletes the edited row; the
// operation that ended the edit must then act on the row it was given, as it stood.
TEST_F(GridRowChangeTest, RowOperationsFollowAHandlerThatDeletesTheEditedRow) {
    struct Case {
        const char* name;
        int editedRow;
        std::function<int(GridCtrl&)> operation;
        int result;
        QStringList rowsAfter; // column 1 of the data rows
    };
    const Case cases[] = {
        {"delete the last row, which is the edited one",
         5,
         [](GridCtrl& g) { return int(g.deleteRow(5)); },
         0,
         {"r1c1", "r2c1", "r3c1", "r4c1"}},
        {"delete a middle row, which is the edited one",
         3,
         [](GridCtrl& g) { return int(g.deleteRow(3)); },
         0,
         {"r1c1", "r2c1", "r4c1", "r5c1"}},
        {"delete a row below the edited one",
         2,
         [](GridCtrl& g) { return int(g.deleteRow(4)); },
         1,
         {"r1c1", "r3c1", "r5c1"}},
        {"append while the last row is edited",
         5,
         [](GridCtrl& g) { return g.insertRow(QStringLiteral("new")); },
         5,
         {"r1c1", "r2c1", "r3c1", "r4c1", ""}},
        {"insert before the edited last row",
         5,
         [](GridCtrl& g) { return g.insertRow(QStringLiteral("new"), 5); },
         -1,
         {"r1c1", "r2c1", "r3c1", "r4c1"}},
        {"delete a set holding the edited row",
         2,
         [](GridCtrl& g) {
             return g.deleteRows({2, 5});
         },
         1,
         {"r1c1", "r3c1", "r4c1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid->setRowCount(0);
        fill(5, 3);
        ASSERT_TRUE(grid->editCell(c.editedRow, 1));
        grid->cellEditor()->setText(QStringLiteral("typed"));
        const QMetaObject::Connection handler = QObject::connect(
            grid, &GridCtrl::cellChanged, [this](int row, int) { grid->deleteRow(row); });
        EXPECT_EQ(c.operation(*grid), c.result);
        QObject::disconnect(handler);
        EXPECT_FALSE(grid->isEditing());
        EXPECT_EQ(firstColumnTexts(*grid), c.rowsAfter);
    }
}

// A drag that is under way when rows or columns go must neither reach cells that are gone nor
// go on selecting: the next moves and auto-scroll ticks leave the selection as it is.
TEST_F(GridRowChangeTest, ChangingRowsOrColumnsEndsADrag) {
    struct Case {
        const char* name;
        Qt::KeyboardModifiers modifiers; // Ctrl keeps what was selected before the drag
        std::function<void(GridCtrl&)> change;
    };
    const Case cases[] = {
        {"rows cut back", Qt::NoModifier, [](GridCtrl& g) { g.setRowCount(4); }},
        {"a row deleted", Qt::NoModifier, [](GridCtrl& g) { g.deleteRow(1); }},
        {"rows deleted at once", Qt::ControlModifier,
         [](GridCtrl& g) {
             g.deleteRows({1, 3, 5, 7, 9, 11, 13, 15, 17, 19});
         }},
        {"a row inserted", Qt::NoModifier, [](GridCtrl& g) { g.insertRow(QString(), 1); }},
        {"columns cut back", Qt::ControlModifier, [](GridCtrl& g) { g.setColumnCount(2); }},
        {"fixed rows added", Qt::NoModifier, [](GridCtrl& g) { g.setFixedRowCount(6); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid->setRowCount(0);
        fill(30, 4);
        grid->setSelectedRange(20, 1, 20, 4);
        QWidget* area = grid->viewport();
        const auto drag = [&](const QPoint& to) {
            QMouseEvent move(QEvent::MouseMove, to, area->mapToGlobal(to), Qt::NoButton,
                             Qt::LeftButton, c.modifiers);
            QApplication::sendEvent(area, &move);
        };
        const QPoint from = area->mapFrom(grid, grid->cellRect(8, 3).center());
        QTest::mousePress(area, Qt::LeftButton, c.modifiers,
                          area->mapFrom(grid, grid->cellRect(3, 1).center()));
        drag(from);
        ASSERT_TRUE(selected(8, 3));

        c.change(*grid);
        std::vector<int> rows = grid->selectedRows();
        drag(area->mapFrom(grid, grid->cellRect(2, 1).center()));
        drag(QPoint(area->width() / 2, area->height() + 40)); // below: auto-scroll
        QTest::qWait(80);
        EXPECT_EQ(grid->selectedRows(), rows);
        QTest::mouseRelease(area, Qt::LeftButton, c.modifiers, from);
        EXPECT_EQ(grid->selectedRows(), rows);
    }
}

TEST_F(GridRowChangeTest, BulkOperationsFillAndDeleteManyRows) {
    fill(0, 3);
    ASSERT_TRUE(grid->setRowCount(9));
    for (int row = 1; row < 9; ++row)
        ASSERT_TRUE(grid->setRowTexts(
            row, {QString::number(row), QStringLiteral("p%1").arg(row), "x", "y", "past the end"}));
    EXPECT_EQ(grid->getCellText(4, 1), "p4");
    EXPECT_EQ(grid->getCellText(4, 3), "y");
    EXPECT_TRUE(grid->setRowTexts(4, {"only"}, 2));
    EXPECT_EQ(grid->getCellText(4, 2), "only");
    EXPECT_EQ(grid->getCellText(4, 3), "y");
    EXPECT_FALSE(grid->setRowTexts(9, {"a"}));
    EXPECT_FALSE(grid->setRowTexts(1, {"a"}, 4));

    // Pairs of rows selected, pairs kept (1, 4, 5, 8, 9 ...). With 9 rows that is two runs of
    // rows, with 2,001 rows hundreds, which are taken out in one pass: both must agree.
    for (const int rowCount : {9, 2001}) {
        SCOPED_TRACE(rowCount);
        grid->setRowCount(1);
        grid->setRowCount(rowCount);
        for (int row = 1; row < rowCount; ++row)
            grid->setRowTexts(row, {QString::number(row), QStringLiteral("p%1").arg(row)});
        ASSERT_TRUE(grid->setFocusCell(5, 2));
        grid->setSelectedRange(-1, -1, -1, -1);
        std::vector<int> doomed;
        for (int row = 2; row < rowCount; ++row)
            if (row % 4 == 2 || row % 4 == 3)
                doomed.push_back(row);
        for (int row : doomed)
            grid->setCellState(row, 1, GridState::selected);
        ASSERT_EQ(grid->selectedRows(), doomed);
        const int headerHeight = grid->rowHeight(0);
        grid->setRowHeight(4, 33);

        std::vector<int> request = doomed;
        request.push_back(doomed.front()); // duplicates and strays are ignored
        request.push_back(rowCount + 5);
        EXPECT_EQ(grid->deleteRows(request), int(doomed.size()));
        EXPECT_EQ(grid->rowCount(), rowCount - int(doomed.size()));
        EXPECT_EQ(grid->getCellText(1, 0), "1");
        EXPECT_EQ(grid->getCellText(2, 0), "4") << "row numbers are not renumbered";
        EXPECT_EQ(grid->getCellText(3, 1), "p5");
        EXPECT_EQ(grid->focusCell(), (GridCellRef{3, 2})) << "the focus follows its row";
        EXPECT_TRUE(grid->getCellState(3, 2) & GridState::focused);
        EXPECT_TRUE(grid->selectedRows().empty());
        EXPECT_EQ(grid->fixedRowCount(), 1);
        EXPECT_EQ(grid->rowHeight(0), headerHeight);
        EXPECT_FALSE(grid->cellRect(0, 1).isEmpty()) << "the header row is still shown";
        EXPECT_EQ(grid->cellRect(2, 1).height(), 33) << "the view keeps the row sizes";
        EXPECT_EQ(grid->cellAt(grid->cellRect(3, 1).center()), (GridCellRef{3, 1}));
    }
    EXPECT_EQ(grid->deleteRows({0}), 1);
    EXPECT_EQ(grid->fixedRowCount(), 0) << "a deleted header row lowers the fixed rows";
}

// Clamping to the data area has nothing to clamp to in a grid of header cells only.
TEST_F(GridRowChangeTest, AGridWithoutDataCellsTakesKeysAndScrollRequests) {
    grid->setRowCount(2);
    grid->setColumnCount(3);
    grid->setFixedRowCount(2);
    grid->setFixedColumnCount(1);
    ASSERT_TRUE(grid->setFocusCell(0, 0));
    EXPECT_TRUE(grid->ensureCellVisible(0, 0));
    grid->setFocus();
    for (const Qt::Key k : {Qt::Key_PageDown, Qt::Key_Down, Qt::Key_End, Qt::Key_Tab})
        key(k);
    EXPECT_EQ(grid->focusCell(), (GridCellRef{0, 0}));
}

} // namespace
