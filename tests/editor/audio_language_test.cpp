// The audio window's language cells: chosen from the list of known codes by keyboard or
// mouse, typing jumps in the list, and the chosen code is what OK stores.
#include "channels/channel_records.h"
#include "channels/language_code_table.h"
#include "editor/audio_pid_dialog.h"
#include "editor/language_cell_chooser.h"
#include "widgets/grid/grid_ctrl.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int language = AudioPidDialog::languageColumn;

QString currentEntry(const QComboBox& list) {
    return list.view()->currentIndex().data().toString();
}

TEST(AudioLanguageList, ChosenByKeyboardWithTypingJumpsAndStoredAsTheCode) {
    Program program;
    program.audioSelection = 0;
    program.audioCount = 3;
    program.audioTracks[0] = {0x100, 4}; // ger
    program.audioTracks[1] = {0x101, 0}; // eng
    program.audioTracks[2] = {0x102, 1}; // spa
    AudioPidDialog dialog(program);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    GridCtrl* grid = dialog.grid();
    LanguageCellChooser* chooser = dialog.languageChooser();
    ASSERT_NE(chooser, nullptr);
    grid->setFocus();

    // Typing on the cell opens the list at the first code with that letter; more letters
    // narrow the jump, and Enter takes the entry. Before, "fra" typed here became "gerfra"
    // and was stored as "ger".
    grid->setFocusCell(1, language);
    QTest::keyClick(grid, Qt::Key_F, Qt::NoModifier);
    QComboBox* list = chooser->list();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->view()->isVisible());
    EXPECT_FALSE(grid->isEditing());
    EXPECT_EQ(list->count(), 26);
    EXPECT_EQ(list->itemText(0), LanguageCellChooser::noLanguageText());
    EXPECT_EQ(currentEntry(*list), QStringLiteral("fin  Finnish"));
    QTest::keyClicks(list->view(), QStringLiteral("ra"));
    EXPECT_EQ(currentEntry(*list), QStringLiteral("fra  French"));
    QTest::keyClick(list->view(), Qt::Key_Return);
    QTest::qWait(0);
    EXPECT_EQ(chooser->list(), nullptr);
    EXPECT_EQ(grid->getCellText(1, language), QStringLiteral("fra"));
    EXPECT_EQ(dialog.focusWidget(), grid);
    EXPECT_EQ(grid->focusCell(), (GridCellRef{1, language}));

    // Escape leaves the cell as it was.
    QTest::keyClick(grid, Qt::Key_E, Qt::NoModifier);
    ASSERT_NE(chooser->list(), nullptr);
    EXPECT_EQ(currentEntry(*chooser->list()), QStringLiteral("eng  English"));
    QTest::keyClick(chooser->list()->view(), Qt::Key_Escape);
    QTest::qWait(0);
    EXPECT_EQ(chooser->list(), nullptr);
    EXPECT_EQ(grid->getCellText(1, language), QStringLiteral("fra"));

    // Space opens the list at the cell's code; the arrows walk it.
    QTest::keyClick(grid, Qt::Key_Down);
    ASSERT_EQ(grid->focusCell(), (GridCellRef{2, language}));
    QTest::keyClick(grid, Qt::Key_Space);
    ASSERT_NE(chooser->list(), nullptr);
    EXPECT_EQ(currentEntry(*chooser->list()), QStringLiteral("eng  English"));
    QTest::keyClick(chooser->list()->view(), Qt::Key_Down);
    QTest::keyClick(chooser->list()->view(), Qt::Key_Down);
    QTest::keyClick(chooser->list()->view(), Qt::Key_Return);
    QTest::qWait(0);
    EXPECT_EQ(grid->getCellText(2, language), QStringLiteral("fin"));

    // Delete empties the cell (no language); the grid's text box never opens on it.
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_EQ(grid->getCellText(3, language), QString());
    QTest::keyClick(grid, Qt::Key_Backspace);
    EXPECT_FALSE(grid->isEditing());

    // A double-click opens the list too.
    const QRect cell = grid->cellRect(1, language);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                       grid->viewport()->mapFrom(grid, cell.center()));
    QTest::qWait(0);
    ASSERT_NE(chooser->list(), nullptr);
    EXPECT_EQ(currentEntry(*chooser->list()), QStringLiteral("fra  French"));
    QTest::keyClick(chooser->list()->view(), Qt::Key_Escape);
    QTest::qWait(0);

    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->text() == QLatin1String("OK"))
            button->click();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(program.audioTracks[0].audioLanguage, 3);   // fra
    EXPECT_EQ(program.audioTracks[1].audioLanguage, 17);  // fin
    EXPECT_EQ(program.audioTracks[2].audioLanguage, 255); // none
    EXPECT_EQ(program.audioTracks[0].audioPid, 0x100);
    EXPECT_EQ(program.audioSelection, 255);
}

// A row added with "Add" gets the list too.
TEST(AudioLanguageList, AddedRowsChooseFromTheList) {
    Program program;
    AudioPidDialog dialog(program);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.addRow();
    GridCtrl* grid = dialog.grid();
    grid->setCellText(1, AudioPidDialog::pidColumn, QStringLiteral("0x123"));
    grid->setFocus();
    grid->setFocusCell(1, language);
    QTest::keyClick(grid, Qt::Key_P, Qt::ShiftModifier);
    ASSERT_NE(dialog.languageChooser()->list(), nullptr);
    QTest::keyClick(dialog.languageChooser()->list()->view(), Qt::Key_Return);
    QTest::qWait(0);
    EXPECT_EQ(grid->getCellText(1, language), QStringLiteral("per"));
    dialog.accept();
    ASSERT_EQ(program.audioCount, 1);
    EXPECT_EQ(program.audioTracks[0].audioLanguage, 21);
}

} // namespace

namespace {

// A language index the table lacks (written by another tool) reads as itself, not as an
// empty cell that looks like "no language": emptied or set to "(none)" it becomes none, and
// left alone it is kept.
TEST(AudioLanguageList, AnIndexTheTableLacksShowsAndCanBeCleared) {
    Program program;
    program.audioCount = 2;
    program.audioTracks[0] = {0x100, 30};
    program.audioTracks[1] = {0x101, 31};
    AudioPidDialog dialog(program);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    GridCtrl* grid = dialog.grid();
    EXPECT_FALSE(grid->getCellText(1, language).isEmpty());
    EXPECT_NE(grid->getCellText(1, language), grid->getCellText(2, language));

    grid->setFocus();
    grid->setFocusCell(1, language);
    QTest::keyClick(grid, Qt::Key_Delete);
    dialog.accept();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(program.audioTracks[0].audioLanguage, LanguageCodeTable::none);
    EXPECT_EQ(program.audioTracks[1].audioLanguage, 31) << "untouched";
}

} // namespace
