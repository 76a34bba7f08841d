#include "tests/editor/channel_editor_fixture.h"

#include "channels/backup_file.h"
#include "channels/channel_file_reader.h"
#include "editor/channel_cells.h"

#include <QDir>
#include <QKeyEvent>
#include <QPrinter>

namespace {

using Fixture = ChannelEditorFixture;

TEST_F(Fixture, SelectionDrivesGridModeButtonsAndFrame) {
    open(writeSmallFile());
    // Opening selects the first satellite.
    EXPECT_EQ(editor->gridMode(), 1);
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("Channel Edit - ") + path("small.cdf"));

    const struct {
        QModelIndex node;
        int mode;
        const char* add;
        const char* remove;
        const char* frame;
        int rows;
    } cases[] = {
        {node(0), 1, "Add New Transponder", "Delete Selected Transponder", "Sat A", 6},
        {node(0, 0), 2, "Add New Program", "Delete Selected Program", "Sat A [H 11.778]", 6},
        // A program lists all programs of its transponder.
        {node(0, 0, 3), 2, "Add New Program", "Delete Selected Program", "Sat A [H 11.778]", 6},
        {node(0, 1), 2, "Add New Program", "Delete Selected Program", "Sat A [V 11.779]", 1},
        {node(1), 1, "Add New Transponder", "Delete Selected Transponder", "Sat B", 1},
        {QModelIndex(), 0, "", "", "", 0},
    };
    for (const auto& c : cases) {
        if (c.node.isValid())
            select(c.node);
        else
            editor->tree()->selectionModel()->clearSelection();
        SCOPED_TRACE(c.frame);
        EXPECT_EQ(editor->gridMode(), c.mode);
        EXPECT_EQ(button("add")->text(), QLatin1String(c.add));
        EXPECT_EQ(button("delete")->text(), QLatin1String(c.remove));
        EXPECT_EQ(frameTitle(), QLatin1String(c.frame));
        EXPECT_EQ(editor->grid()->rowCount(), c.rows);
        EXPECT_EQ(button("add")->isEnabled(), c.mode != 0);
        EXPECT_EQ(button("editSatellite")->isEnabled(), c.mode != 0);
        EXPECT_EQ(button("audio")->isVisible(), c.mode == 2);
    }
    EXPECT_FALSE(button("save")->isEnabled());
    EXPECT_TRUE(messages.empty());

    // Printing titles the pages with the frame's caption.
    select(node(0, 0));
    int printDialogs = 0;
    editor->grid()->setPrintDialogRunner([&printDialogs](QPrinter&) {
        ++printDialogs;
        return false;
    });
    QTest::mouseClick(button("print"), Qt::LeftButton);
    EXPECT_EQ(printDialogs, 1);
    EXPECT_EQ(editor->grid()->printTitle(), QStringLiteral("Sat A [H 11.778]"));
    EXPECT_TRUE(messages.empty());

    // Printed to a file: said only when the file could not be written.
    struct PrintCase {
        QString file;
        bool written;
    };
    for (const PrintCase& c :
         {PrintCase{path("grid.pdf"), true}, PrintCase{path("no-such-folder/grid.pdf"), false}}) {
        messages.clear();
        editor->grid()->setPrintDialogRunner([&c](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(c.file);
            return true;
        });
        QTest::mouseClick(button("print"), Qt::LeftButton);
        EXPECT_EQ(QFileInfo(c.file).size() > 0, c.written) << c.file.toStdString();
        ASSERT_EQ(messages.size(), c.written ? 0u : 1u) << c.file.toStdString();
        if (!c.written)
            EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("Nothing was printed: ")))
                << messages[0].text.toStdString();
    }
}

TEST_F(Fixture, TypedCellsReachTheRecordAtTheNextSelectionChangeOrSave) {
    const QString file = writeSmallFile();
    open(file);
    TransponderNode* first = database().satelliteAt(0)->transponderAt(0);
    type(1, TransponderColumn::fecInner, QStringLiteral("34"));
    type(1, TransponderColumn::symbolRate, QStringLiteral("22000"));
    EXPECT_EQ(first->fecInner, 0);
    EXPECT_EQ(first->symbolRate, 27500);
    EXPECT_TRUE(button("save")->isEnabled());
    select(node(1));
    EXPECT_EQ(first->fecInner, 3);
    EXPECT_EQ(first->symbolRate, 22000);

    // An edit still in progress is finished and saved.
    select(node(0));
    type(2, TransponderColumn::symbolRate, QStringLiteral("0x6b6c"), false);
    ASSERT_TRUE(editor->grid()->isEditing());
    QTest::mouseClick(button("save"), Qt::LeftButton);
    EXPECT_FALSE(button("save")->isEnabled());
    ChannelDatabase saved;
    ASSERT_EQ(readChannelFile(saved, file), 0);
    EXPECT_EQ(saved.satelliteAt(0)->transponderAt(1)->symbolRate, 0x6b6c);
    EXPECT_EQ(saved.satelliteAt(0)->transponderAt(0)->fecInner, 3);
}

TEST_F(Fixture, FrequencyAndPolarizationRelabelTheTreeAtOnce) {
    open(writeSmallFile());
    type(2, TransponderColumn::frequency, QStringLiteral("3800000"));
    type(2, TransponderColumn::polarization, QStringLiteral("h"));
    const QModelIndex transponder = node(0, 1);
    EXPECT_EQ(transponder.data().toString(), QStringLiteral("H 03.800"));
    EXPECT_EQ(transponder.data(SatelliteTreeModel::imageRole).toInt(), 4);
}

TEST_F(Fixture, NumbersARecordCannotHoldAreRefusedAndTheCellKeepsTheText) {
    open(writeSmallFile());
    select(node(0, 0));
    ProgramNode* tv = program(0, 0, 0);
    const struct {
        int column;
        const char* text;
        const char* named; // a part of the message
    } cases[] = {
        {ProgramColumn::pcrPid, "0x2000", "0x1FFF"},
        {ProgramColumn::serviceId, "70000", "65535"},
        {ProgramColumn::videoPid, "-5", "0x1FFF"},
        {ProgramColumn::name, "Ω TV", "Western European (ISO-8859-1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        messages.clear();
        const Program before = tv->record();
        type(1, c.column, QString::fromUtf8(c.text));
        ASSERT_FALSE(messages.empty());
        EXPECT_TRUE(messages.front().text.contains(QLatin1String(c.named)))
            << messages.front().text.toStdString();
        EXPECT_EQ(cell(1, c.column), QString::fromUtf8(c.text));
        EXPECT_EQ(tv->record(), before);
    }
    // Saving stops at a refused cell; nothing is written and the data stays modified.
    const QByteArray onDisk = bytesOf(path("small.cdf"));
    messages.clear();
    QTest::mouseClick(button("save"), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(QLatin1String("Nothing was saved")));
    EXPECT_EQ(bytesOf(path("small.cdf")), onDisk);
    EXPECT_TRUE(button("save")->isEnabled());

    // The forms that mean "none" are kept.
    for (const char* none : {"65535", "", "-1", "0x7fff"}) {
        type(1, ProgramColumn::pcrPid, QLatin1String(none));
        select(node(0, 1));
        select(node(0, 0));
        EXPECT_EQ(tv->pcrPid, ChannelLimits::noPid) << none;
    }
}

TEST_F(Fixture, VideoPidMovesTheProgramBetweenTvAndRadio) {
    open(writeSmallFile());
    select(node(0, 0));
    ProgramNode* radio = program(0, 0, 2);
    ASSERT_TRUE(radio->isRadio());
    type(3, ProgramColumn::videoPid, QStringLiteral("0x200"));
    EXPECT_TRUE(radio->isTv());
    EXPECT_EQ(radio->videoPid, 0x200);
    EXPECT_EQ(database().tvList.size(), 2u);
    EXPECT_EQ(database().radioList.size(), 3u);
    EXPECT_EQ(node(0, 0, 2).data(SatelliteTreeModel::imageRole).toInt(), 5);
    type(3, ProgramColumn::videoPid, QString());
    EXPECT_TRUE(radio->isRadio());
    EXPECT_EQ(database().tvList.size(), 1u);
    EXPECT_EQ(node(0, 0, 2).data(SatelliteTreeModel::imageRole).toInt(), 6);
}

TEST_F(Fixture, ClearingTheAudioCellDropsTheFirstTrackAndRefillsTheRow) {
    open(writeSmallFile());
    select(node(0, 0));
    ProgramNode* p2 = program(0, 0, 1);
    p2->audioSelection = 1;
    type(2, ProgramColumn::pcrPid, QStringLiteral("256"));
    type(2, ProgramColumn::audioPid, QString());
    EXPECT_EQ(p2->audioCount, 2);
    EXPECT_EQ(p2->audioTracks[0], (AudioTrack{0x0102, 2}));
    EXPECT_EQ(p2->audioTracks[1], (AudioTrack{0x0103, 3}));
    EXPECT_EQ(p2->audioSelection, 255);
    // The row shows the records' values again, the typed PCR included.
    EXPECT_EQ(cell(2, ProgramColumn::audioPid), QStringLiteral("0x0102"));
    EXPECT_EQ(cell(2, ProgramColumn::pcrPid), QStringLiteral("0x0100"));
}

TEST_F(Fixture, AddAndDeleteKeepGridTreeAndDatabaseInStep) {
    open(writeSmallFile());
    select(node(0, 0));
    ChannelGrid* grid = editor->grid();
    // Rows 2 and 3 of five.
    const auto at = [grid](int row) {
        return grid->viewport()->mapFrom(grid, grid->cellRect(row, 1).center());
    };
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at(2));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, at(3));
    QTest::mouseClick(button("delete"), Qt::LeftButton);
    ASSERT_EQ(grid->rowCount(), 4);
    EXPECT_EQ(cell(1, 0), QStringLiteral("1"));
    EXPECT_EQ(cell(2, 0), QStringLiteral("4"));
    EXPECT_EQ(cell(3, 0), QStringLiteral("5"));
    EXPECT_EQ(cell(2, ProgramColumn::name), QStringLiteral("P4"));
    EXPECT_EQ(editor->treeModel().rowCount(node(0, 0)), 3);
    EXPECT_EQ(database().radioList.size(), 2u);
    EXPECT_TRUE(button("save")->isEnabled());

    QTest::mouseClick(button("add"), Qt::LeftButton);
    ASSERT_EQ(grid->rowCount(), 5);
    EXPECT_EQ(cell(4, 0), QStringLiteral("4"));
    EXPECT_EQ(cell(4, ProgramColumn::serviceId), QStringLiteral("0xffff"));
    EXPECT_EQ(cell(4, ProgramColumn::videoPid), QString());
    EXPECT_EQ(cell(4, ProgramColumn::scrambled), QStringLiteral("0"));
    EXPECT_EQ(node(0, 0, 3).data(SatelliteTreeModel::imageRole).toInt(), 6);

    // Deleting the program selected in the tree keeps its transponder's programs listed.
    select(node(0, 0, 0));
    grid->selectRow(1);
    QTest::mouseClick(button("delete"), Qt::LeftButton);
    EXPECT_EQ(editor->gridMode(), 2);
    EXPECT_EQ(editor->selectedProgram(), nullptr);
    EXPECT_EQ(editor->tree()->currentIndex(), node(0, 0));
    EXPECT_EQ(database().tvList.size(), 0u);
    EXPECT_EQ(cell(1, ProgramColumn::name), QStringLiteral("P4"));

    select(node(1));
    QTest::mouseClick(button("add"), Qt::LeftButton);
    EXPECT_EQ(node(1, 0).data().toString(), QStringLiteral("V 00.000"));
    EXPECT_EQ(cell(1, TransponderColumn::polarization), QStringLiteral("V"));
}

TEST_F(Fixture, SaveAsChangesTheCaptionAndThePath) {
    open(writeSmallFile());
    fileAnswers << path("other.cdf");
    QTest::mouseClick(button("saveAs"), Qt::LeftButton);
    ASSERT_EQ(fileRequests.size(), 1u);
    EXPECT_EQ(fileRequests[0].mode, FileDialogMode::save);
    EXPECT_TRUE(fileRequests[0].confirmOverwrite);
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("Channel Edit - ") + path("other.cdf"));
    EXPECT_EQ(editor->filePath(), path("other.cdf"));
    EXPECT_TRUE(QFile::exists(path("other.cdf")));
    // A new file keeps no backup, nor does the opened file that was not written.
    EXPECT_FALSE(QFile::exists(BackupFile::pathFor(path("other.cdf"))));
    EXPECT_FALSE(QFile::exists(BackupFile::pathFor(path("small.cdf"))));
}

// No to the question, then no file chosen: nothing was loaded, so the edits stay unsaved and
// the next command that would drop them asks again.
TEST_F(Fixture, LoadAnsweredNoThenCancelledKeepsTheEditsUnsaved) {
    open(writeSmallFile());
    type(1, TransponderColumn::frequency, QStringLiteral("12000000"));
    answers << MessageAnswer::no;
    QTest::mouseClick(button("load"), Qt::LeftButton);
    const QString question = QStringLiteral("Some data have been modified. Would you save this?");
    EXPECT_EQ(questions, QStringList{question});
    EXPECT_TRUE(button("save")->isEnabled());
    EXPECT_EQ(database().satelliteAt(0)->transponderAt(0)->frequency, 12000000u);
    EXPECT_EQ(cell(1, TransponderColumn::frequency), QStringLiteral("12000000"));

    // Asked again; Cancel in the question stops before the file dialog.
    answers << MessageAnswer::cancel;
    QTest::mouseClick(button("load"), Qt::LeftButton);
    EXPECT_EQ(questions, QStringList({question, question}));
    EXPECT_EQ(fileRequests.size(), 1u);
    EXPECT_TRUE(button("save")->isEnabled());
}

TEST_F(Fixture, FailedLoadShowsTheCurrentFileAsOnDiskAgain) {
    const QString file = writeSmallFile();
    QFile bad(path("bad.cdf"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("CDF\x01\x00\x00\x00\x00\x00\x00\x03\x00\x00\x00XYZ", 17);
    bad.close();
    open(file);
    QTest::mouseClick(button("add"), Qt::LeftButton);
    ASSERT_EQ(database().satelliteAt(0)->transponderCount(), 6);
    answers << MessageAnswer::no;
    fileAnswers << path("bad.cdf");
    QTest::mouseClick(button("load"), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("Invalid CDF format..."));
    EXPECT_EQ(editor->filePath(), file);
    EXPECT_EQ(database().satelliteAt(0)->transponderCount(), 5);
    EXPECT_EQ(editor->gridMode(), 1);
    EXPECT_EQ(editor->grid()->rowCount(), 6);
}

TEST_F(Fixture, BackupIsWrittenOnceAndAFailedSaveChangesNothing) {
    const QString file = writeSmallFile();
    const QByteArray original = bytesOf(file);
    const QString backup = BackupFile::pathFor(file);
    open(file);

    // A backup that cannot be written stops the save.
    ASSERT_TRUE(QDir().mkdir(backup));
    type(1, TransponderColumn::frequency, QStringLiteral("10000000"));
    QTest::mouseClick(button("save"), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(bytesOf(file), original);
    EXPECT_TRUE(button("save")->isEnabled());
    ASSERT_TRUE(QDir().rmdir(backup));

    messages.clear();
    QTest::mouseClick(button("save"), Qt::LeftButton);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(bytesOf(backup), original);
    const QByteArray firstSave = bytesOf(file);
    EXPECT_NE(firstSave, original);
    type(1, TransponderColumn::frequency, QStringLiteral("10100000"));
    QTest::mouseClick(button("save"), Qt::LeftButton);
    EXPECT_EQ(bytesOf(backup), original);

    // A file that cannot be written leaves the data modified and the file as it was.
    const QByteArray secondSave = bytesOf(file);
    database().lnbConfigCount = 3; // no longer matches the table: the writer refuses
    type(1, TransponderColumn::frequency, QStringLiteral("10200000"));
    QTest::mouseClick(button("save"), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("DB error."));
    EXPECT_EQ(bytesOf(file), secondSave);
    EXPECT_TRUE(button("save")->isEnabled());
}

TEST_F(Fixture, HooksOpenTheOtherWindowsAndTheirResultsAreApplied) {
    const QString file = writeSmallFile();
    ChannelEditorWindows windows;
    int channelLists = 0;
    windows.openSatelliteWindow = [](QWidget*, ChannelDatabase&, SatelliteNode* satellite) {
        satellite->name = "Renamed & Co";
        return SatelliteWindowResult{true, true, true, TreeImage::cBandSatellite};
    };
    windows.openAudioWindow = [](QWidget*, ChannelDatabase&, ProgramNode* program) {
        program->audioTracks[0].audioPid = 0x0155;
        return true;
    };
    windows.openChannelList = [&channelLists](QWidget*, ChannelDatabase&) {
        ++channelLists;
        return false;
    };
    open(file, windows);
    QTest::mouseClick(button("editSatellite"), Qt::LeftButton);
    EXPECT_EQ(node(0).data().toString(), QStringLiteral("Renamed & Co"));
    EXPECT_EQ(node(0).data(SatelliteTreeModel::imageRole).toInt(), TreeImage::cBandSatellite);
    EXPECT_EQ(frameTitle(), QStringLiteral("Renamed && Co"));
    EXPECT_TRUE(button("save")->isEnabled());

    select(node(0, 0));
    editor->grid()->selectRow(2);
    QTest::mouseClick(button("audio"), Qt::LeftButton);
    EXPECT_EQ(cell(2, ProgramColumn::audioPid), QStringLiteral("0x0155"));

    QTest::mouseClick(button("channelList"), Qt::LeftButton);
    EXPECT_EQ(channelLists, 1);

    // Without any program there is nothing to list.
    select(node(0));
    editor->grid()->selectRow(1);
    QTest::mouseClick(button("delete"), Qt::LeftButton);
    QTest::mouseClick(button("channelList"), Qt::LeftButton);
    EXPECT_EQ(channelLists, 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("No channels..."));
    EXPECT_EQ(messages[0].icon, MessageIcon::exclamation);
}

TEST_F(Fixture, EnterDoesNothingAndEscapeActsAsExit) {
    open(writeSmallFile());
    select(node(0, 0));
    // Escape in a cell being edited only ends that edit.
    type(1, ProgramColumn::name, QStringLiteral("Typo"), false);
    QTest::keyClick(editor->grid()->cellEditor(), Qt::Key_Escape);
    EXPECT_FALSE(editor->grid()->isEditing());
    EXPECT_EQ(cell(1, ProgramColumn::name), QStringLiteral("P1"));
    EXPECT_TRUE(editor->isVisible());
    type(1, ProgramColumn::name, QStringLiteral("News"));
    editor->tree()->setFocus();
    QTest::keyClick(editor.get(), Qt::Key_Return);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_TRUE(questions.isEmpty());
    answers << MessageAnswer::cancel;
    QTest::keyClick(editor.get(), Qt::Key_Escape);
    EXPECT_EQ(questions.size(), 1);
    EXPECT_TRUE(editor->isVisible());
    answers << MessageAnswer::no;
    QTest::keyClick(editor.get(), Qt::Key_Escape);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(database().satelliteCount(), 0);
}

} // namespace
