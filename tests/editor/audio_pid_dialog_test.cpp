#include "channels/channel_records.h"
#include "channels/language_code_table.h"
#include "editor/audio_pid_dialog.h"
#include "widgets/grid/grid_ctrl.h"
#include "widgets/message_box.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

TEST(LanguageCodeTable, MapsTypedCodesToTableIndexes) {
    const struct {
        const char* text;
        int index;
    } cases[] = {
        {"ENG", 0},   {"Eng", 0},   {"english", 0}, {"esl", 1},  {"es", 1},
        {"spa", 1},   {"est", 24},  {"fre", 3},     {"deu", 4},  {"nld", 7},
        {"ell", 11},  {"ces", 16},  {"isl", 19},    {"fas", 21}, {"rom", 22},
        {"ron", 255}, {"xyz", 255}, {" eng", 255},  {"", 255},   {"e", 255},
    };
    for (const auto& c : cases)
        EXPECT_EQ(languageIndexFromCode(QString::fromLatin1(c.text)), c.index) << c.text;
    for (int index = 0; index < LanguageCodeTable::count; ++index)
        EXPECT_EQ(languageIndexFromCode(LanguageCodeTable::code(index)), index);
    EXPECT_EQ(LanguageCodeTable::code(24), QStringLiteral("est"));
    EXPECT_EQ(LanguageCodeTable::code(25), QString());
    EXPECT_EQ(LanguageCodeTable::code(255), QString());
}

class AudioPidDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        setMessageRecorder([this](const ShownMessage& message) { messages << message.text; });
    }
    void TearDown() override { setMessageRecorder({}); }

    static Program withTracks(int count) {
        Program program;
        program.audioSelection = 3;
        program.audioCount = std::uint8_t(count);
        for (int i = 0; i < count; ++i)
            program.audioTracks[std::size_t(i)] = {std::uint16_t(0x40 + i), std::uint8_t(i % 25)};
        return program;
    }

    std::unique_ptr<AudioPidDialog> open(Program& program) {
        auto dialog = std::make_unique<AudioPidDialog>(program);
        dialog->show();
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return dialog;
    }

    static void click(QDialog& dialog, const char* text) {
        for (QPushButton* button : dialog.findChildren<QPushButton*>())
            if (button->text() == QLatin1String(text))
                QTest::mouseClick(button, Qt::LeftButton);
    }

    // Clicks OK: Accepted or Rejected once closed, nothing while still open.
    static std::optional<int> pressOk(QDialog& dialog) {
        click(dialog, "OK");
        if (dialog.isVisible())
            return std::nullopt;
        return dialog.result();
    }

    QStringList messages;
};

TEST_F(AudioPidDialogTest, PidCellsAreReadDroppedOrRefused) {
    const struct {
        const char* text;
        int stored; // -1: the row is dropped, -2: refused
    } cases[] = {
        {"0x100", 0x100}, {"  256 ", 0x100}, {"0x1fff", 0x1fff}, {"", -1},      {"-1", -1},
        {"65535", -1},    {"0xffff", -1},    {"0x2000", -2},     {"70000", -2}, {"-5", -2},
        {"0x8100", -2},   {"256abc", -2},    {"pid", -2},        {"abc", -2},   {"*", -2},
        {"12abc", -2},    {"0x1g", -2},
    };
    for (const auto& c : cases) {
        Program program = withTracks(2);
        const Program before = program;
        auto dialog = open(program);
        dialog->grid()->setCellText(1, AudioPidDialog::pidColumn, QString::fromLatin1(c.text));
        messages.clear();
        const std::optional<int> result = pressOk(*dialog);
        if (c.stored == -2) {
            EXPECT_FALSE(result) << c.text;
            EXPECT_EQ(messages, QStringList{AudioPidDialog::pidRangeMessage()});
            EXPECT_EQ(dialog->grid()->focusCell(), (GridCellRef{1, AudioPidDialog::pidColumn}));
            EXPECT_TRUE(dialog->grid()->hasFocus());
            EXPECT_EQ(program, before);
            continue;
        }
        ASSERT_EQ(result, QDialog::Accepted) << c.text;
        EXPECT_EQ(program.audioSelection, 255);
        if (c.stored == -1) {
            EXPECT_EQ(program.audioCount, 1) << c.text;
            EXPECT_EQ(program.audioTracks[0], before.audioTracks[1]);
        } else {
            EXPECT_EQ(program.audioCount, 2);
            EXPECT_EQ(program.audioTracks[0].audioPid, c.stored) << c.text;
        }
    }
}

TEST_F(AudioPidDialogTest, Ac3AndLanguageCellsOfANewRow) {
    const struct {
        const char* ac3;
        const char* language;
        std::uint16_t pid;
        std::uint8_t languageIndex;
    } cases[] = {
        {"2", "ENG", 0x8123, 0},  {"1", "esl", 0x8123, 1},    {"-1", "est", 0x0123, 24},
        {"", "ron", 0x0123, 255}, {"0", " eng", 0x0123, 255},
    };
    for (const auto& c : cases) {
        Program program = withTracks(0);
        auto dialog = open(program);
        click(*dialog, "Add");
        GridCtrl* grid = dialog->grid();
        ASSERT_EQ(grid->rowCount(), 2);
        grid->setCellText(1, AudioPidDialog::pidColumn, QStringLiteral("0x123"));
        grid->setCellText(1, AudioPidDialog::languageColumn, QString::fromLatin1(c.language));
        grid->setCellText(1, AudioPidDialog::ac3Column, QString::fromLatin1(c.ac3));
        ASSERT_EQ(pressOk(*dialog), QDialog::Accepted);
        ASSERT_EQ(program.audioCount, 1);
        EXPECT_EQ(program.audioTracks[0].audioPid, c.pid) << c.ac3;
        EXPECT_EQ(program.audioTracks[0].audioLanguage, c.languageIndex) << c.language;
    }
    // An AC3 cell that is not a number is refused rather than taken as "not AC3".
    for (const char* ac3 : {"abc", "1x"}) {
        Program program = withTracks(1);
        program.audioTracks[0].audioPid |= 0x8000;
        const Program before = program;
        auto dialog = open(program);
        dialog->grid()->setCellText(1, AudioPidDialog::ac3Column, QLatin1String(ac3));
        messages.clear();
        EXPECT_FALSE(pressOk(*dialog)) << ac3;
        EXPECT_EQ(messages, QStringList{AudioPidDialog::ac3Message()});
        EXPECT_EQ(dialog->grid()->focusCell(), (GridCellRef{1, AudioPidDialog::ac3Column}));
        EXPECT_EQ(program, before);
    }
}

TEST_F(AudioPidDialogTest, AddStopsAtTwentySixTracks) {
    Program program = withTracks(25);
    auto dialog = open(program);
    click(*dialog, "Add");
    ASSERT_EQ(dialog->grid()->rowCount(), 27);
    EXPECT_EQ(dialog->grid()->getCellText(26, 0), QStringLiteral("26"));
    EXPECT_EQ(dialog->grid()->getCellText(26, AudioPidDialog::pidColumn), QString());
    click(*dialog, "Add");
    EXPECT_EQ(dialog->grid()->rowCount(), 27);
    // The empty row is dropped: nothing changed.
    EXPECT_EQ(pressOk(*dialog), QDialog::Rejected);
    EXPECT_EQ(program.audioSelection, 3);
}

TEST_F(AudioPidDialogTest, DeletingRowsTwoAndThreeKeepsTheOthersInOrder) {
    Program program = withTracks(4);
    const Program before = program;
    auto dialog = open(program);
    GridCtrl* grid = dialog->grid();
    grid->setSelectedRange(2, 1, 3, 3);
    click(*dialog, "Delete");
    ASSERT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(grid->getCellText(1, 0), QStringLiteral("1"));
    EXPECT_EQ(grid->getCellText(2, 0), QStringLiteral("4"));
    ASSERT_EQ(pressOk(*dialog), QDialog::Accepted);
    EXPECT_EQ(program.audioCount, 2);
    EXPECT_EQ(program.audioTracks[0], before.audioTracks[0]);
    EXPECT_EQ(program.audioTracks[1], before.audioTracks[3]);
    // Tracks beyond the new count keep their old contents.
    EXPECT_EQ(program.audioTracks[2], before.audioTracks[2]);
    EXPECT_EQ(program.audioSelection, 255);
}

TEST_F(AudioPidDialogTest, UntouchedCellsKeepWhatTheGridCannotShow) {
    Program program = withTracks(3);
    program.audioTracks[0] = {0x2100, 30};
    program.audioTracks[1] = {0xE042, 255};
    const Program before = program;

    // OK without edits: Cancel, nothing written.
    auto dialog = open(program);
    const QStringList shown[] = {{"", "AUD PID", "Language", "AC3"},
                                 {"1", "0x0100", "30 (unknown)", "0"},
                                 {"2", "0x0042", "", "1"}};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(dialog->grid()->getCellText(row, column), shown[row][column]);
    EXPECT_EQ(pressOk(*dialog), QDialog::Rejected);
    EXPECT_EQ(program, before);

    // Only the AC3 cell changed: bits 13 and 14 and the unknown language stay. Deleting the
    // third row moves nothing, but a row moved up keeps its stored track too.
    dialog = open(program);
    GridCtrl* grid = dialog->grid();
    grid->setCellText(1, AudioPidDialog::ac3Column, QStringLiteral("1"));
    grid->setSelectedRange(2, 1, 2, 3);
    click(*dialog, "Delete");
    ASSERT_EQ(pressOk(*dialog), QDialog::Accepted);
    EXPECT_EQ(program.audioCount, 2);
    EXPECT_EQ(program.audioTracks[0], (AudioTrack{0xA100, 30}));
    EXPECT_EQ(program.audioTracks[1], before.audioTracks[2]);
}

TEST_F(AudioPidDialogTest, AnEditInProgressIsKeptByOk) {
    Program program = withTracks(1);
    auto dialog = open(program);
    GridCtrl* grid = dialog->grid();
    grid->setFocus();
    grid->setFocusCell(1, AudioPidDialog::pidColumn);
    // Typing starts an in-place edit; OK is pressed before Enter.
    QTest::keyClick(grid, '0');
    ASSERT_TRUE(grid->isEditing());
    QTest::keyClicks(grid->cellEditor(), QStringLiteral("x42"));
    ASSERT_TRUE(grid->isEditing());
    ASSERT_EQ(pressOk(*dialog), QDialog::Accepted);
    EXPECT_EQ(program.audioTracks[0].audioPid, 0x42);
}

} // namespace
