// In-place editing driven by keys and clicks: how an edit starts, how it ends, what it
// stores and what it reports.
#include "tests/widgets/grid/grid_test_support.h"

#include <QDialog>
#include <QPushButton>

namespace {

using Changes = QList<QPair<int, int>>;

class GridEditingTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        fill(5, 3);
        QObject::connect(grid, &GridCtrl::cellChanged, [this](int row, int column) {
            changes.append({row, column});
        });
        QObject::connect(grid, &GridCtrl::editBegun, [this](int row, int column) {
            begun.append({row, column});
        });
        QObject::connect(grid, &GridCtrl::editEnded, [this](int row, int column) {
            ended.append({row, column});
        });
    }

    // Focus on a cell without editing it.
    void focusOn(int row, int column) {
        click(row, column);
        ASSERT_EQ(grid->focusCell(), (GridCellRef{row, column}));
        ASSERT_FALSE(grid->isEditing());
    }

    QLineEdit* editor() const { return grid->cellEditor(); }

    Changes changes;
    Changes begun;
    Changes ended;
};

TEST_F(GridEditingTest, TypedCharacterReplacesTextAndEnterStoresIt) {
    focusOn(2, 1);
    type("x");
    ASSERT_TRUE(grid->isEditing());
    EXPECT_EQ(begun, (Changes{{2, 1}}));
    EXPECT_EQ(editor()->text(), "x");
    type("yz");
    key(Qt::Key_Return);
    EXPECT_FALSE(grid->isEditing());
    EXPECT_EQ(grid->getCellText(2, 1), "xyz");
    EXPECT_EQ(changes, (Changes{{2, 1}}));
    EXPECT_EQ(ended, (Changes{{2, 1}}));
    EXPECT_TRUE(grid->getCellState(2, 1) & GridState::modified);
    EXPECT_FALSE(grid->getCellState(2, 2) & GridState::modified);
    EXPECT_TRUE(grid->hasFocus()) << "the keyboard focus returns to the grid";
}

TEST_F(GridEditingTest, EnterStartsWithCaretAtEndAndUnchangedTextReportsNothing) {
    focusOn(1, 2);
    key(Qt::Key_Return);
    ASSERT_TRUE(grid->isEditing());
    EXPECT_EQ(editor()->text(), "r1c2");
    EXPECT_FALSE(editor()->hasSelectedText());
    EXPECT_EQ(editor()->cursorPosition(), 4);
    key(Qt::Key_Return);
    EXPECT_FALSE(grid->isEditing());
    EXPECT_TRUE(changes.isEmpty()) << "the text did not change";
    EXPECT_EQ(ended, (Changes{{1, 2}}));
    EXPECT_FALSE(grid->getCellState(1, 2) & GridState::modified);
}

TEST_F(GridEditingTest, InsideADialogEnterGoesToTheDialogAndEscapeToTheEdit) {
    QDialog dialog;
    auto* dialogGrid = new GridCtrl(&dialog);
    auto* ok = new QPushButton("OK", &dialog);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    dialog.resize(300, 200);
    dialogGrid->setGeometry(0, 0, 300, 150);
    ok->setGeometry(0, 160, 80, 30);
    dialogGrid->setRowCount(3);
    dialogGrid->setColumnCount(2);
    dialogGrid->setFixedRowCount(1);
    dialogGrid->setFocusCell(1, 1);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialogGrid->setFocus();

    // Escape during an edit belongs to the edit, not to the dialog's Cancel.
    type("v");
    ASSERT_TRUE(dialogGrid->isEditing());
    key(Qt::Key_Escape);
    EXPECT_FALSE(dialogGrid->isEditing());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialogGrid->getCellText(1, 1), "");

    key(Qt::Key_Return);
    EXPECT_FALSE(dialogGrid->isEditing());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(GridEditingTest, SecondClickOnFocusCellEditsWithCaretAtEnd) {
    focusOn(3, 1);
    click(3, 1);
    ASSERT_TRUE(grid->isEditing());
    EXPECT_EQ(editor()->text(), "r3c1");
    EXPECT_EQ(editor()->cursorPosition(), 4);
    EXPECT_FALSE(editor()->hasSelectedText());
}

TEST_F(GridEditingTest, DoubleClickEditsAnyDataCellButNotAFixedOne) {
    focusOn(1, 1);
    doubleClick(4, 3);
    ASSERT_TRUE(grid->isEditing());
    EXPECT_EQ(grid->focusCell(), (GridCellRef{4, 3}));
    EXPECT_EQ(begun, (Changes{{4, 3}}));
    grid->commitEdit();
    doubleClick(0, 2);
    EXPECT_FALSE(grid->isEditing());
    doubleClick(2, 0);
    EXPECT_FALSE(grid->isEditing());
}

TEST_F(GridEditingTest, BackspaceStartsByDeletingTheLastCharacter) {
    focusOn(1, 1);
    key(Qt::Key_Backspace);
    ASSERT_TRUE(grid->isEditing());
    EXPECT_EQ(editor()->text(), "r1c");
    key(Qt::Key_Return);
    EXPECT_EQ(grid->getCellText(1, 1), "r1c");
    EXPECT_EQ(changes, (Changes{{1, 1}}));
}

TEST_F(GridEditingTest, SpaceStartsWithTheWholeTextSelected) {
    focusOn(1, 1);
    type(" ");
    ASSERT_TRUE(grid->isEditing());
    EXPECT_EQ(editor()->text(), "r1c1");
    EXPECT_EQ(editor()->selectedText(), "r1c1");
}

TEST_F(GridEditingTest, EscapeRestoresThePreviousText) {
    focusOn(2, 2);
    type("new");
    key(Qt::Key_Escape);
    EXPECT_FALSE(grid->isEditing());
    EXPECT_EQ(grid->getCellText(2, 2), "r2c2");
    EXPECT_TRUE(changes.isEmpty());
    EXPECT_EQ(ended, (Changes{{2, 2}}));
    EXPECT_FALSE(grid->getCellState(2, 2) & GridState::modified);
}

TEST_F(GridEditingTest, TabStoresAndContinuesInTheNextCellWrappingPastTheFixedColumn) {
    focusOn(1, 2);
    type("a");
    key(Qt::Key_Tab);
    ASSERT_TRUE(grid->isEditing());
    EXPECT_EQ(grid->getCellText(1, 2), "a");
    EXPECT_EQ(grid->focusCell(), (GridCellRef{1, 3}));
    EXPECT_EQ(editor()->selectedText(), "r1c3") << "a continued edit selects the whole text";
    type("b");
    key(Qt::Key_Tab);
    EXPECT_EQ(grid->getCellText(1, 3), "b");
    EXPECT_EQ(grid->focusCell(), (GridCellRef{2, 1})) << "wraps to the next row's first data cell";
    ASSERT_TRUE(grid->isEditing());
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(grid->focusCell(), (GridCellRef{1, 3}));
    EXPECT_EQ(changes, (Changes{{1, 2}, {1, 3}}));
    EXPECT_EQ(begun, (Changes{{1, 2}, {1, 3}, {2, 1}, {1, 3}}));
}

TEST_F(GridEditingTest, ArrowsEndAKeyStartedEditAndContinueInTheNextCell) {
    focusOn(2, 1);
    type("q");
    key(Qt::Key_Right);
    EXPECT_EQ(grid->getCellText(2, 1), "q");
    EXPECT_EQ(grid->focusCell(), (GridCellRef{2, 2}));
    ASSERT_TRUE(grid->isEditing());
    key(Qt::Key_Down);
    EXPECT_EQ(grid->focusCell(), (GridCellRef{3, 2}));
    ASSERT_TRUE(grid->isEditing());
    key(Qt::Key_Up);
    key(Qt::Key_Up);
    key(Qt::Key_Up);
    EXPECT_EQ(grid->focusCell(), (GridCellRef{1, 2})) << "never into the fixed row";
    EXPECT_EQ(changes, (Changes{{2, 1}}));
}

TEST_F(GridEditingTest, ArrowsMoveTheCaretInAMouseStartedEditUnlessCtrlIsHeld) {
    focusOn(2, 2);
    click(2, 2);
    ASSERT_TRUE(grid->isEditing());
    key(Qt::Key_Left);
    key(Qt::Key_Left);
    EXPECT_TRUE(grid->isEditing());
    EXPECT_EQ(editor()->cursorPosition(), 2);
    key(Qt::Key_Down);
    EXPECT_TRUE(grid->isEditing());
    EXPECT_EQ(grid->focusCell(), (GridCellRef{2, 2}));
    type("X");
    key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(grid->getCellText(2, 2), "r2Xc2");
    EXPECT_EQ(grid->focusCell(), (GridCellRef{2, 3}));
}

TEST_F(GridEditingTest, ReadOnlyCellsAreNeverEditedInPlace) {
    ASSERT_TRUE(grid->setCellState(3, 3, GridState::readOnly));
    focusOn(3, 3);
    type("z");
    EXPECT_FALSE(grid->isEditing());
    click(3, 3);
    EXPECT_FALSE(grid->isEditing());
    doubleClick(3, 3);
    EXPECT_FALSE(grid->isEditing());
    key(Qt::Key_Delete);
    EXPECT_EQ(grid->getCellText(3, 3), "r3c3");
    EXPECT_TRUE(begun.isEmpty());
    EXPECT_TRUE(changes.isEmpty());
}

TEST_F(GridEditingTest, NothingIsEditedWhenTheGridIsNotEditable) {
    grid->setEditable(false);
    focusOn(1, 1);
    type("z");
    key(Qt::Key_Delete);
    doubleClick(1, 2);
    EXPECT_FALSE(grid->isEditing());
    EXPECT_EQ(grid->getCellText(1, 1), "r1c1");
}

TEST_F(GridEditingTest, DeleteClearsTheFocusCellAndReportsOnlyARealChange) {
    focusOn(4, 2);
    key(Qt::Key_Delete);
    EXPECT_EQ(grid->getCellText(4, 2), "");
    EXPECT_EQ(changes, (Changes{{4, 2}}));
    EXPECT_EQ(begun, (Changes{{4, 2}}));
    EXPECT_EQ(ended, (Changes{{4, 2}}));
    EXPECT_TRUE(grid->getCellState(4, 2) & GridState::modified);
    key(Qt::Key_Delete);
    EXPECT_EQ(changes, (Changes{{4, 2}})) << "clearing an empty cell changes nothing";
}

TEST_F(GridEditingTest, LosingTheFocusOrCommitKeepsTheText) {
    focusOn(1, 1);
    type("kept");
    grid->commitEdit();
    EXPECT_FALSE(grid->isEditing());
    EXPECT_EQ(grid->getCellText(1, 1), "kept");

    focusOn(2, 1);
    type("also");
    click(5, 3); // a click elsewhere takes the focus from the edit box
    EXPECT_FALSE(grid->isEditing());
    EXPECT_EQ(grid->getCellText(2, 1), "also");
    EXPECT_EQ(changes, (Changes{{1, 1}, {2, 1}}));
}

TEST_F(GridEditingTest, EditBoxGrowsWithTheTextUpToTheGridsRightEdge) {
    focusOn(1, 1);
    type("w");
    const int cellWidth = grid->cellRect(1, 1).width();
    EXPECT_LE(editor()->width(), cellWidth);
    type(QString(20, QLatin1Char('w')));
    EXPECT_GT(editor()->width(), cellWidth);
    type(QString(300, QLatin1Char('w')));
    const int right = editor()->mapTo(grid->viewport(), QPoint(editor()->width() - 1, 0)).x();
    EXPECT_LE(right, grid->viewport()->width() - 1);
}

TEST_F(GridEditingTest, EditorTakesTheCellsAlignment) {
    GridItem item;
    item.row = 1;
    item.column = 1;
    item.mask = GridMask::format;
    item.format = GridFormat::right | GridFormat::singleLine | GridFormat::verticalCentre;
    ASSERT_TRUE(grid->setCell(item));
    ASSERT_TRUE(grid->editCell(1, 1));
    EXPECT_TRUE(editor()->alignment() & Qt::AlignRight);
}

TEST_F(GridEditingTest, ChangedCellsAreReportedBeforeTheHandlerReadsThem) {
    QString seen;
    QObject::connect(grid, &GridCtrl::cellChanged,
                     [&](int row, int column) { seen = grid->getCellText(row, column); });
    focusOn(1, 3);
    type("77");
    key(Qt::Key_Return);
    EXPECT_EQ(seen, "77");
}

} // namespace
