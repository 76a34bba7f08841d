// The editor never drops or silently changes what the user typed or kept: a save that did not
// happen stops the command that asked for it, cells take only what they can store, the backup
// keeps the file as it was before the window first wrote it, and one action is one undo step.
#include "tests/editor/channel_editor_fixture.h"

#include "channels/backup_file.h"
#include "channels/channel_file_reader.h"
#include "editor/channel_cells.h"
#include "editor/edit_history.h"
#include "editor/tree_node_look.h"

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QUndoStack>

#include <functional>

namespace {

class EditorKeepsData : public ChannelEditorFixture {
protected:
    void activate() {
        editor->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    }

    static std::vector<QByteArray> names(const std::vector<ProgramNode*>& list) {
        std::vector<QByteArray> result;
        for (const ProgramNode* program : list)
            result.push_back(program->name);
        return result;
    }
};

TEST_F(EditorKeepsData, ASaveThatDidNotHappenStopsExitLoadAndTheCloseBox) {
    const QString file = writeSmallFile();
    const QByteArray original = bytesOf(file);
    open(file);
    select(node(0, 0));
    QTest::mouseClick(button("add"), Qt::LeftButton);
    ASSERT_EQ(database().satelliteAt(0)->transponderAt(0)->programCount(), 6);
    type(1, ProgramColumn::pcrPid, QStringLiteral("0x9999"));
    messages.clear();

    // A refused cell, then a writer that fails: each time Yes does not save, and the command
    // stops with the window, its data and the typed cell as they were.
    const std::function<void()> commands[] = {
        [this] { QTest::mouseClick(button("exit"), Qt::LeftButton); },
        [this] { QTest::mouseClick(button("load"), Qt::LeftButton); },
        [this] { editor->close(); },
        [this] { QTest::keyClick(editor.get(), Qt::Key_Escape); },
    };
    for (const bool writerFails : {false, true}) {
        if (writerFails) {
            type(1, ProgramColumn::pcrPid, QStringLiteral("0x99"));
            database().lnbConfigCount = 3; // no longer matches the table: the writer refuses
        }
        for (const auto& command : commands) {
            messages.clear();
            answers << MessageAnswer::yes;
            command();
            SCOPED_TRACE(writerFails ? "writer fails" : "cell refused");
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_TRUE(messages[0].text.contains(
                writerFails ? QStringLiteral("DB error.") : QStringLiteral("Nothing was saved")))
                << messages[0].text.toStdString();
            EXPECT_TRUE(editor->isVisible());
            EXPECT_TRUE(fileRequests.empty());
            EXPECT_TRUE(editor->isModified());
            EXPECT_EQ(database().satelliteAt(0)->transponderAt(0)->programCount(), 6);
            EXPECT_EQ(editor->gridMode(), 2);
            EXPECT_EQ(cell(1, ProgramColumn::pcrPid),
                      writerFails ? QStringLiteral("0x99") : QStringLiteral("0x9999"));
            EXPECT_EQ(bytesOf(file), original);
        }
    }
    EXPECT_EQ(questions.size(), 8);
    // "New" has no command to stop: it stays disabled.
    EXPECT_FALSE(button("new")->isEnabled());

    // A save that happens lets the command go on.
    database().lnbConfigCount = 0;
    messages.clear();
    answers << MessageAnswer::yes;
    QTest::mouseClick(button("exit"), Qt::LeftButton);
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(editor->isVisible());
    ChannelDatabase saved;
    ASSERT_EQ(readChannelFile(saved, file), 0);
    EXPECT_EQ(saved.satelliteAt(0)->transponderAt(0)->programCount(), 6);
    EXPECT_EQ(saved.satelliteAt(0)->transponderAt(0)->programAt(0)->pcrPid, 0x99);
}

TEST_F(EditorKeepsData, ACellStillBeingTypedIsAskedAboutBeforeTheCloseBoxOrLoadDropsIt) {
    // Neither Ctrl+O nor the close box takes the focus from the cell being typed into.
    const QString file = writeSmallFile();
    open(file);
    activate();
    type(2, TransponderColumn::symbolRate, QStringLiteral("1234"), false);
    ASSERT_TRUE(editor->grid()->isEditing());
    answers << MessageAnswer::cancel;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(questions.size(), 1);
    EXPECT_TRUE(fileRequests.empty());
    EXPECT_EQ(database().satelliteAt(0)->transponderAt(1)->symbolRate, 1234);
    EXPECT_EQ(cell(2, TransponderColumn::symbolRate), QStringLiteral("1234"));

    type(3, TransponderColumn::symbolRate, QStringLiteral("4321"), false);
    ASSERT_TRUE(editor->grid()->isEditing());
    answers << MessageAnswer::yes;
    editor->close();
    EXPECT_EQ(questions.size(), 2);
    EXPECT_FALSE(editor->isVisible());
    ChannelDatabase saved;
    ASSERT_EQ(readChannelFile(saved, file), 0);
    EXPECT_EQ(saved.satelliteAt(0)->transponderAt(1)->symbolRate, 1234);
    EXPECT_EQ(saved.satelliteAt(0)->transponderAt(2)->symbolRate, 4321);
}

TEST_F(EditorKeepsData, ACutOrAPasteOverSeveralRowsIsOneStep) {
    open(writeSmallFile());
    activate();
    const auto rows = [this] {
        std::vector<std::pair<std::uint32_t, int>> shown;
        for (int i = 1; i <= 2; ++i) {
            const TransponderNode* transponder = database().satelliteAt(0)->transponderAt(i);
            shown.emplace_back(transponder->frequency, transponder->polarization);
        }
        return shown;
    };
    const auto loaded = rows();
    ChannelGrid* grid = editor->grid();
    grid->setFocus();
    QGuiApplication::clipboard()->setText(QStringLiteral("11111000\tH\n12222000\tH\n"));
    grid->setFocusCell(2, TransponderColumn::frequency);
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    const auto pasted = rows();
    EXPECT_EQ(pasted, (std::vector<std::pair<std::uint32_t, int>>{{11111000, 1}, {12222000, 1}}));
    grid->setSelectedRange(2, TransponderColumn::frequency, 3, TransponderColumn::polarization);
    QTest::keyClick(grid, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(rows(), (std::vector<std::pair<std::uint32_t, int>>{{0, 0}, {0, 0}}));
    EXPECT_EQ(editor->history().stack().count(), 2);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rows(), pasted);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rows(), loaded);
    EXPECT_FALSE(editor->history().canUndo());
}

TEST_F(EditorKeepsData, APastedRowIsOneStepAlsoInTheCellsReadLater) {
    // The symbol rate reaches its record only when the grid is read; pasted together with a
    // frequency it is still part of the paste's one step, and a symbol rate typed before the
    // paste is a step of its own.
    open(writeSmallFile());
    activate();
    const auto rows = [this] {
        std::vector<std::tuple<std::uint32_t, int, int>> shown;
        for (int i = 0; i <= 2; ++i) {
            const TransponderNode* transponder = database().satelliteAt(0)->transponderAt(i);
            shown.emplace_back(transponder->frequency, transponder->polarization,
                               transponder->symbolRate);
        }
        return shown;
    };
    const auto loaded = rows();
    type(1, TransponderColumn::symbolRate, QStringLiteral("1000"));
    auto typed = loaded;
    std::get<2>(typed[0]) = 1000;
    ChannelGrid* grid = editor->grid();
    grid->setFocus();
    QGuiApplication::clipboard()->setText(
        QStringLiteral("11111000\tH\t%1\t2000\n12222000\tH\t%2\t3000\n")
            .arg(cell(2, TransponderColumn::fecInner), cell(3, TransponderColumn::fecInner)));
    grid->setFocusCell(2, TransponderColumn::frequency);
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    auto pasted = typed;
    pasted[1] = {11111000, 1, 2000};
    pasted[2] = {12222000, 1, 3000};
    EXPECT_EQ(rows(), pasted);
    EXPECT_EQ(editor->history().stack().count(), 2);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rows(), typed);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rows(), loaded);
    EXPECT_FALSE(editor->history().canUndo());
    EXPECT_TRUE(messages.empty());
}

TEST_F(EditorKeepsData, TextsThatAreNotWhollyANumberAreRefusedAndTheCellKeepsThem) {
    open(writeSmallFile());
    const struct {
        bool programs;
        int column;
    } cells[] = {{false, TransponderColumn::frequency}, {false, TransponderColumn::symbolRate},
                 {true, ProgramColumn::videoPid},       {true, ProgramColumn::audioPid},
                 {true, ProgramColumn::serviceId},      {true, ProgramColumn::scrambled}};
    for (const auto& c : cells) {
        select(c.programs ? node(0, 0) : node(0));
        for (const char* text : {"abc", "*", "12abc", "0x1g"}) {
            SCOPED_TRACE(testing::Message() << c.column << " " << text);
            const Transponder transponder = database().satelliteAt(0)->transponderAt(0)->record();
            const Program tv = program(0, 0, 0)->record();
            messages.clear();
            type(1, c.column, QLatin1String(text));
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_TRUE(messages[0].text.contains(QLatin1String(text)));
            EXPECT_EQ(cell(1, c.column), QLatin1String(text));
            // Nor does moving on store anything: the cell is named again and stays as typed.
            messages.clear();
            select(node(1));
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(database().satelliteAt(0)->transponderAt(0)->record(), transponder);
            EXPECT_EQ(program(0, 0, 0)->record(), tv);
            EXPECT_TRUE(program(0, 0, 0)->isTv());
            select(c.programs ? node(0, 0) : node(0));
        }
    }
}

TEST_F(EditorKeepsData, TheBackupKeepsTheFileAsItWasBeforeTheWindowFirstWroteIt) {
    const QString file = writeSmallFile();
    const QByteArray original = bytesOf(file);
    QFile bad(path("bad.cdf"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("CDF\x01\x00\x00\x00\x00\x00\x00\x03\x00\x00\x00XYZ", 17);
    bad.close();
    open(file);
    const auto saveAfterTyping = [this](const char* frequency) {
        type(1, TransponderColumn::frequency, QLatin1String(frequency));
        QTest::mouseClick(button("save"), Qt::LeftButton);
        ASSERT_FALSE(editor->isModified());
    };
    saveAfterTyping("10000000");
    ASSERT_EQ(bytesOf(BackupFile::pathFor(file)), original);

    // A failed load reads the current file again, and a load of the same file reads it anew;
    // neither starts over with the backup.
    fileAnswers << path("bad.cdf");
    QTest::mouseClick(button("load"), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    saveAfterTyping("10100000");
    EXPECT_EQ(bytesOf(BackupFile::pathFor(file)), original);
    fileAnswers << file;
    QTest::mouseClick(button("load"), Qt::LeftButton);
    saveAfterTyping("10200000");
    EXPECT_EQ(bytesOf(BackupFile::pathFor(file)), original);

    // Save As onto another existing file keeps that file first.
    const QString other = writeSmallFile(QStringLiteral("other.cdf"));
    type(1, TransponderColumn::frequency, QStringLiteral("10300000"));
    const QByteArray otherBefore = bytesOf(other);
    fileAnswers << other;
    QTest::mouseClick(button("saveAs"), Qt::LeftButton);
    EXPECT_EQ(bytesOf(BackupFile::pathFor(other)), otherBefore);
    EXPECT_NE(bytesOf(other), otherBefore);
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(EditorKeepsData, AProgramChosenInTheTreeIsTheRowAudioActsOn) {
    ChannelEditorWindows windows;
    const ProgramNode* opened = nullptr;
    windows.openAudioWindow = [&opened](QWidget*, ChannelDatabase&, ProgramNode* program) {
        opened = program;
        return false;
    };
    open(writeSmallFile(), windows);
    activate();
    editor->tree()->setFocus();
    select(node(0, 0, 2));
    EXPECT_TRUE(editor->grid()->isRowSelected(3));
    EXPECT_FALSE(editor->grid()->isRowSelected(1));
    EXPECT_TRUE(editor->tree()->hasFocus());
    QTest::mouseClick(button("audio"), Qt::LeftButton);
    EXPECT_EQ(opened, program(0, 0, 2));
}

TEST_F(EditorKeepsData, OneEscapeInTheGridClosesAnUnmodifiedEditor) {
    open(writeSmallFile());
    activate();
    select(node(0, 0));
    editor->grid()->setFocus();
    ASSERT_FALSE(editor->grid()->isEditing());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(questions.isEmpty());
}

TEST_F(EditorKeepsData, ARowEditAndTheAudioChangeAfterItAreOneStep) {
    ChannelEditorWindows windows;
    windows.openAudioWindow = [](QWidget*, ChannelDatabase&, ProgramNode* program) {
        program->audioTracks[0].audioPid = 0x0155;
        // A window that changes the kind in place: the program changes lists at once.
        program->videoPid = ChannelLimits::noPid;
        return true;
    };
    open(writeSmallFile(), windows);
    activate();
    select(node(0, 0));
    const Program before = program(0, 0, 0)->record();
    const std::vector<QByteArray> tvBefore = names(database().tvList);
    const std::vector<QByteArray> radioBefore = names(database().radioList);
    type(1, ProgramColumn::pcrPid, QStringLiteral("0x31"));
    editor->grid()->selectRow(1);
    QTest::mouseClick(button("audio"), Qt::LeftButton);
    ProgramNode* changed = program(0, 0, 0);
    EXPECT_EQ(changed->pcrPid, 0x31);
    EXPECT_TRUE(changed->isRadio());
    EXPECT_EQ(database().radioList.back(), changed);

    // Saving changes nothing in memory: the lists were settled with the change.
    const std::vector<QByteArray> tvAfter = names(database().tvList);
    const std::vector<QByteArray> radioAfter = names(database().radioList);
    QTest::mouseClick(button("save"), Qt::LeftButton);
    ASSERT_TRUE(messages.empty());
    EXPECT_EQ(names(database().tvList), tvAfter);
    EXPECT_EQ(names(database().radioList), radioAfter);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    // (The save set the list positions, which are not part of the step.)
    const ProgramNode* undone = program(0, 0, 0);
    EXPECT_EQ(undone->pcrPid, before.pcrPid);
    EXPECT_EQ(undone->videoPid, before.videoPid);
    EXPECT_EQ(undone->audioTracks, before.audioTracks);
    EXPECT_TRUE(undone->isTv());
    EXPECT_EQ(names(database().tvList), tvBefore);
    EXPECT_EQ(names(database().radioList), radioBefore);
    EXPECT_FALSE(editor->history().canUndo());
}

// A cell that reaches its record only when the grid is read (symbol rate, PCR PID), typed
// before the satellite or audio window: the window's change is the last step, so the first
// Ctrl+Z takes back that change and keeps the cell, the second the cell.
TEST_F(EditorKeepsData, CellsTypedBeforeASubWindowAreTakenBackAfterItsChange) {
    ChannelEditorWindows windows;
    windows.openSatelliteWindow = [](QWidget*, ChannelDatabase&, SatelliteNode* satellite) {
        satellite->name = "Renamed";
        return SatelliteWindowResult{true, true, true, TreeImage::satelliteWithoutLnb};
    };
    windows.openAudioWindow = [](QWidget*, ChannelDatabase&, ProgramNode* program) {
        program->audioTracks[0].audioPid = 0x0155;
        program->audioCount = 1;
        return true;
    };
    open(writeSmallFile(), windows);
    activate();
    struct Case {
        const char* window;
        QModelIndex shown;
        int row;
        int column;
        std::function<int()> typedValue;
        std::function<bool()> windowChanged;
    };
    ProgramNode* first = program(0, 0, 0);
    ProgramNode* second = program(0, 0, 1);
    SatelliteNode* satellite = database().satelliteAt(0);
    const std::vector<Case> cases{
        {"editSatellite", node(0), 1, TransponderColumn::symbolRate,
         [satellite] { return int(satellite->transponderAt(0)->symbolRate); },
         [satellite] { return satellite->name == "Renamed"; }},
        {"audio", node(0, 0), 2, ProgramColumn::pcrPid, [second] { return int(second->pcrPid); },
         [first] { return first->audioTracks[0].audioPid == 0x0155; }}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.window);
        select(c.shown);
        const int old = c.typedValue();
        type(c.row, c.column, QStringLiteral("291")); // 0x123
        editor->grid()->selectRow(1);
        QTest::mouseClick(button(c.window), Qt::LeftButton);
        ASSERT_TRUE(messages.empty());
        EXPECT_TRUE(c.windowChanged());
        EXPECT_EQ(c.typedValue(), 0x123);

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_FALSE(c.windowChanged());
        EXPECT_EQ(c.typedValue(), 0x123);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(c.typedValue(), old);
    }
}

// Layout 1 keeps LNB settings in a table whose entries satellites share: a change made in one
// satellite's window is shown in the tree for every satellite on that entry.
TEST_F(EditorKeepsData, ASharedLnbEntryChangedThroughOneSatelliteShowsOnAllOfIt) {
    ChannelDatabase shared;
    buildSmallDatabase(shared);
    shared.lnbConfigs.resize(1);
    shared.lnbConfigCount = 1;
    shared.lnbConfigs[0].lnbType = 1; // "UNIV 1"
    for (int s = 0; s < shared.satelliteCount(); ++s)
        shared.satelliteAt(s)->lnbConfigIndex = 0;
    ASSERT_EQ(writeChannelFile(shared, path(QStringLiteral("shared.cdf"))), 0);
    ChannelEditorWindows windows;
    windows.openSatelliteWindow = [](QWidget*, ChannelDatabase& database, SatelliteNode*) {
        database.lnbConfigs[0].lnbType = 4; // "SINGLE"
        database.lnbConfigs[0].lnbFrequency1 = 10750;
        return SatelliteWindowResult{true, true, false, TreeImage::singleOscillatorSatellite};
    };
    open(path(QStringLiteral("shared.cdf")), windows);
    ASSERT_EQ(node(1).data(SatelliteTreeModel::imageRole).toInt(), TreeImage::universalSatellite);

    select(node(0));
    QSignalSpy told(&editor->treeModel(), &QAbstractItemModel::dataChanged);
    QTest::mouseClick(button("editSatellite"), Qt::LeftButton);
    EXPECT_EQ(node(1).data(SatelliteTreeModel::imageRole).toInt(),
              TreeImage::singleOscillatorSatellite);
    // The view hears that the other satellite's image changed, or it keeps painting the old.
    bool otherTold = false;
    for (const QList<QVariant>& signal : told) {
        const QModelIndex from = signal[0].toModelIndex();
        const QModelIndex to = signal[1].toModelIndex();
        const QList<int> roles = signal[2].value<QList<int>>();
        otherTold = otherTold || (!from.parent().isValid() && from.row() <= 1 && to.row() >= 1 &&
                                  (roles.isEmpty() || roles.contains(Qt::DecorationRole)));
    }
    EXPECT_TRUE(otherTold);

    // Ctrl+Z and Ctrl+Y bring the shared entry back and forth: the view hears of it each time.
    editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    for (const auto& [key, image] :
         {std::pair{Qt::Key_Z, int(TreeImage::universalSatellite)},
          std::pair{Qt::Key_Y, int(TreeImage::singleOscillatorSatellite)}}) {
        told.clear();
        QTest::keyClick(QApplication::focusWidget(), key, Qt::ControlModifier);
        EXPECT_EQ(node(1).data(SatelliteTreeModel::imageRole).toInt(), image);
        otherTold = false;
        for (const QList<QVariant>& signal : told) {
            const QModelIndex from = signal[0].toModelIndex();
            const QModelIndex to = signal[1].toModelIndex();
            otherTold = otherTold || (!from.parent().isValid() && from.row() <= 1 && to.row() >= 1);
        }
        EXPECT_TRUE(otherTold) << (key == Qt::Key_Z ? "undo" : "redo");
    }
}

} // namespace
