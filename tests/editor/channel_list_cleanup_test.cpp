// The "Channel List" window with many rows at once: block moves, favourites and deletion of a
// selection, the "Select" rules, printing; and the deletion as one step of the editor.

#include "channels/channel_data_compare.h"
#include "channels/channel_database.h"
#include "channels/channel_file_reader.h"
#include "channels/channel_file_writer.h"
#include "editor/channel_list_dialog.h"
#include "editor/program_list_model.h"
#include "editor/program_list_view.h"
#include "tests/editor/channel_editor_fixture.h"
#include "tests/support/next_modal.h"

#include <QContextMenuEvent>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QPrinter>

#include <gtest/gtest.h>

#include <numeric>
#include <set>

namespace {

// Three satellites of two transponders with five TV programs each ("A0-0".."C1-4", service
// IDs 1..5 per transponder) and three radio programs on the last satellite; four groups.
// Planted: a copy of A0-0's service ID ("A0 copy"), a second "B1-1 " (ID 9), three scrambled
// and two unnamed programs, one of them a radio program.
struct Planted {
    std::unique_ptr<ChannelDatabase> database = std::make_unique<ChannelDatabase>();
    std::set<QByteArray> duplicates{"A0 copy", "B1-1 "};
    std::set<QByteArray> scrambled{"A1-2", "B0-4", "C1-0"};
    std::set<QByteArray> unnamed{"#tv", "#radio"}; // stored with empty names
};

Planted planted() {
    Planted result;
    ChannelDatabase& database = *result.database;
    database.headerFlags = ChannelDatabase::favoritesFlag;
    for (int s = 0; s < 3; ++s) {
        SatelliteNode* satellite =
            database.appendSatellite(Satellite{.name = QByteArray(1, char('A' + s)) + " Sat"});
        for (int t = 0; t < 2; ++t) {
            TransponderNode* transponder = database.appendTransponder(
                satellite, Transponder{.frequency = std::uint32_t(11000000 + 100000 * t)});
            for (int p = 0; p < 5; ++p) {
                Program program;
                program.name = QByteArray(1, char('A' + s)) + QByteArray::number(t) + "-" +
                               QByteArray::number(p);
                program.serviceId = std::uint16_t(p + 1);
                program.videoPid = 0x100;
                if (result.scrambled.count(program.name))
                    program.programFlags = 0x90;
                database.appendProgram(transponder, program);
            }
        }
    }
    const auto add = [&database](int s, int t, QByteArray name, std::uint16_t id, bool tv) {
        Program program;
        program.name = name.startsWith('#') ? QByteArray() : name;
        program.serviceId = id;
        program.videoPid = tv ? 0x100 : ChannelLimits::noPid;
        return database.appendProgram(database.satelliteAt(s)->transponderAt(t), program);
    };
    add(0, 0, "A0 copy", 1, true);
    add(1, 1, "B1-1 ", 9, true); // the same name but for a blank
    add(1, 0, "#tv", 20, true);
    for (int r = 0; r < 3; ++r)
        add(2, 1, "Radio " + QByteArray::number(r), std::uint16_t(30 + r), false);
    add(2, 1, "#radio", 40, false);
    database.favoriteGroupCount = 4;
    for (int g = 0; g < 4; ++g)
        database.favoriteGroups[std::size_t(g)].name = "Group " + QByteArray::number(g + 1);
    // Group 1: every third TV program; group 2: the radio programs.
    for (std::size_t i = 0; i < database.tvList.size(); i += 3) {
        database.tvList[i]->favoriteMask = 0x81;
        database.favoriteGroups[0].tvMembers.push_back(database.tvList[i]);
    }
    for (ProgramNode* program : database.radioList) {
        program->favoriteMask = 0x82;
        database.favoriteGroups[1].radioMembers.push_back(program);
    }
    database.renumber();
    return result;
}

QByteArray label(const ProgramNode* program) {
    if (!program->name.isEmpty())
        return program->name;
    return program->isTv() ? "#tv" : "#radio";
}

std::vector<QByteArray> labels(const std::vector<ProgramNode*>& programs) {
    std::vector<QByteArray> result;
    for (const ProgramNode* program : programs)
        result.push_back(label(program));
    return result;
}

class ChannelListCleanupTest : public ::testing::Test {
protected:
    void TearDown() override {
        dialog.reset();
        setFileDialogResponder({});
    }

    void open(ChannelDatabase& database) {
        dialog = std::make_unique<ChannelListDialog>(database);
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    }
    ProgramListView* list(const char* name = "tvList") const {
        return dialog->findChild<ProgramListView*>(QString::fromLatin1(name));
    }
    ProgramListModel* rows(const char* name = "tvList") const {
        return static_cast<ProgramListModel*>(list(name)->model());
    }
    std::vector<QByteArray> shown(const char* name = "tvList") const {
        return labels(rows(name)->programs());
    }
    std::set<QByteArray> selected(const char* name = "tvList") const {
        std::set<QByteArray> result;
        for (int row : list(name)->selectedRows())
            result.insert(label(rows(name)->programAt(row)));
        return result;
    }
    QPoint center(int row) const { return list()->visualRect(rows()->index(row, 1)).center(); }
    void click(int row, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, modifiers, center(row));
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
        QTest::keyClick(list(), key, modifiers);
    }
    // The "Select" menu's entry, after the menu has filled itself.
    QAction* selectEntry(const char* name) {
        auto* menu = dialog->findChild<QMenu*>(QStringLiteral("selectMenu"));
        emit menu->aboutToShow();
        return menu->findChild<QAction*>(QString::fromLatin1(name));
    }
    std::vector<int> numbers(const char* name = "tvList") const {
        std::vector<int> result;
        for (int row = 0; row < rows(name)->rowCount(); ++row)
            result.push_back(rows(name)->index(row, ProgramListModel::numberColumn).data().toInt());
        return result;
    }

    std::unique_ptr<ChannelListDialog> dialog;
};

} // namespace

TEST_F(ChannelListCleanupTest, ABlockMovesByDragAndKeysKeepingItsOrder) {
    ChannelDatabase database;
    database.headerFlags = ChannelDatabase::favoritesFlag;
    database.favoriteGroupCount = 4;
    for (int g = 0; g < 4; ++g)
        database.favoriteGroups[std::size_t(g)].name = "Group " + QByteArray::number(g + 1);
    TransponderNode* transponder = database.appendTransponder(
        database.appendSatellite(Satellite{.name = "Sat"}), Transponder{});
    for (int p = 0; p < 10; ++p)
        database.appendProgram(transponder,
                               Program{.videoPid = 0x100, .name = "P" + QByteArray::number(p)});
    database.renumber();
    open(database);
    const auto order = [this](std::initializer_list<int> expected) {
        std::vector<QByteArray> result;
        for (int p : expected)
            result.push_back("P" + QByteArray::number(p));
        EXPECT_EQ(shown(), result);
        // "No." is the place in the list, whatever moved.
        std::vector<int> places(result.size());
        std::iota(places.begin(), places.end(), 1);
        EXPECT_EQ(numbers(), places);
    };

    // P1, P2 and P4 selected with the mouse and Ctrl, dragged by P2 onto P7.
    click(1);
    click(2, Qt::ControlModifier);
    click(4, Qt::ControlModifier);
    QTest::mousePress(list()->viewport(), Qt::LeftButton, {}, center(2));
    for (int step = 1; step <= 6; ++step)
        QTest::mouseMove(list()->viewport(), center(2) + (center(7) - center(2)) * step / 6);
    QTest::mouseRelease(list()->viewport(), Qt::LeftButton, {}, center(7));
    order({0, 3, 5, 6, 7, 1, 2, 4, 8, 9});
    EXPECT_EQ(selected(), (std::set<QByteArray>{"P1", "P2", "P4"}));

    key(Qt::Key_Up);
    order({0, 3, 5, 6, 1, 2, 4, 7, 8, 9});
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    order({0, 3, 5, 6, 7, 8, 1, 2, 4, 9});
    key(Qt::Key_Home);
    order({1, 2, 4, 0, 3, 5, 6, 7, 8, 9});
    key(Qt::Key_Up); // already at the top
    order({1, 2, 4, 0, 3, 5, 6, 7, 8, 9});
    key(Qt::Key_End);
    order({0, 3, 5, 6, 7, 8, 9, 1, 2, 4});
    onNextModal([](QWidget* window) {
        auto* input = qobject_cast<QInputDialog*>(window);
        ASSERT_NE(input, nullptr);
        input->setIntValue(3);
        input->accept();
    });
    key(Qt::Key_G);
    order({0, 3, 1, 2, 4, 5, 6, 7, 8, 9});

    // Favourites act on every selected row, in row order; a click without a drag on a
    // selected row selects it alone.
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QPoint());
    onNextModal([](QWidget* popup) {
        auto* menu = qobject_cast<QMenu*>(popup);
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions())
            if (action->text() == QStringLiteral("Add to Group 2"))
                action->trigger();
    });
    QApplication::sendEvent(list(), &menuKey);
    for (int row : {2, 3, 4})
        EXPECT_EQ(rows()->index(row, ProgramListModel::favoriteColumn).data().toString(), "2");
    click(3);
    EXPECT_EQ(selected(), (std::set<QByteArray>{"P2"}));
    key(Qt::Key_A);
    EXPECT_EQ(selected().size(), 10u);

    dialog->findChild<QPushButton*>(QStringLiteral("apply"))->click();
    EXPECT_EQ(labels(database.tvList), shown());
    EXPECT_EQ(labels(database.favoriteGroups[1].tvMembers),
              (std::vector<QByteArray>{"P1", "P2", "P4"}));
}

TEST_F(ChannelListCleanupTest, EachSelectRuleSelectsThePlantedRowsAndSaysHowMany) {
    Planted data = planted();
    QTemporaryDir dir;
    const QString referencePath = dir.filePath(QStringLiteral("reference.cdf"));
    {
        // The reference lacks B0-2 and Radio 1.
        Planted reference = planted();
        for (ProgramNode* program : std::vector<ProgramNode*>(reference.database->tvList))
            if (program->name == "B0-2")
                reference.database->deleteProgram(program->transponder(), program);
        ProgramNode* radio1 = reference.database->radioList[1];
        reference.database->deleteProgram(radio1->transponder(), radio1);
        ASSERT_EQ(writeChannelFile(*reference.database, referencePath), 0);
    }
    open(*data.database);

    struct Rule {
        const char* action;
        QString text;
        std::set<QByteArray> tv;
        std::set<QByteArray> radio;
    };
    const Rule rules[] = {
        {"selectScrambled", "&Scrambled programs (3)", data.scrambled, {}},
        {"selectDuplicates", "&Duplicates (2)", data.duplicates, {}},
        {"selectUnnamed", "Programs without a &name (2)", {"#tv"}, {"#radio"}},
    };
    for (const Rule& rule : rules) {
        SCOPED_TRACE(rule.action);
        QAction* action = selectEntry(rule.action);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text(), rule.text);
        action->trigger();
        EXPECT_EQ(selected(), rule.tv);
        EXPECT_EQ(selected("radioList"), rule.radio);
    }
    setFileDialogResponder([&referencePath](const FileDialogRequest&) { return referencePath; });
    selectEntry("selectNotInFile")->trigger();
    EXPECT_EQ(selected(), (std::set<QByteArray>{"B0-2"}));
    EXPECT_EQ(selected("radioList"), (std::set<QByteArray>{"Radio 1"}));
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("selectionInfo"))->text(),
              QStringLiteral("2 selected"));

    // Deleting the selection takes the rows out at once and says so; Cancel keeps them all.
    const std::size_t tvRows = shown().size();
    QAction* remove = selectEntry("deleteSelected");
    EXPECT_EQ(remove->text(), QStringLiteral("Dele&te Selected (2)"));
    remove->trigger();
    EXPECT_EQ(shown().size(), tvRows - 1);
    EXPECT_EQ(dialog->deletedCount(), 2);
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("selectionInfo"))->text(),
              QStringLiteral("0 selected, 2 to be deleted on Apply"));
    const std::vector<ProgramNode*> tvBefore = data.database->tvList;
    dialog->findChild<QPushButton*>(QStringLiteral("cancel"))->click();
    EXPECT_EQ(data.database->tvList, tvBefore);
    EXPECT_EQ(data.database->radioList.size(), 4u);
}

// The printed lists: both whole lists with number, name, satellite and favourites, as a PDF.
TEST_F(ChannelListCleanupTest, PrintsBothWholeListsToPdf) {
    Planted data = planted();
    open(*data.database);
    const QString pdf = qEnvironmentVariable("RX_CHANNEL_LIST_PDF",
                                             QDir(QDir::tempPath()).filePath("channel-list.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    std::vector<QString> messages;
    setMessageRecorder(
        [&messages](const ShownMessage& message) { messages.push_back(message.text); });
    EXPECT_TRUE(dialog->printLists(printer));
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5) == "%PDF-");
    EXPECT_GT(file.size(), 2000);
    EXPECT_TRUE(messages.empty());

    // A file that cannot be written is not passed off as printed.
    const QString unwritable = QDir(QDir::tempPath()).filePath("no-such-folder-rx/list.pdf");
    printer.setOutputFileName(unwritable);
    EXPECT_FALSE(dialog->printLists(printer));
    EXPECT_FALSE(QFileInfo::exists(unwritable));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Nothing was printed: ")))
        << messages[0].toStdString();
    setMessageRecorder({});

    // "Print..." shows the preview first.
    onNextModal([](QWidget* window) {
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Print Preview - Channel List"));
    });
    dialog->findChild<QPushButton*>(QStringLiteral("print"))->click();
}

// Deleting a selection across satellites in the window, through the editor: the file saved
// afterwards holds the rest in order with consistent groups, and one Ctrl+Z brings every
// deleted program back to its places.
class ChannelListDeletionTest : public ChannelEditorFixture {};

TEST_F(ChannelListDeletionTest, DeletedProgramsLeaveTheFileAndOneUndoBringsThemBack) {
    Planted data = planted();
    const QString file = path(QStringLiteral("planted.cdf"));
    ASSERT_EQ(writeChannelFile(*data.database, file), 0);
    ChannelDatabase original;
    ASSERT_EQ(readChannelFile(original, file), 0);

    const std::set<QByteArray> doomed{"A0-0", "A1-3", "B0-0", "C1-2", "C1-4", "Radio 0"};
    std::vector<QByteArray> tvExpected;
    std::vector<QByteArray> radioExpected;
    ChannelEditorWindows windows;
    windows.openChannelList = [&](QWidget* owner, ChannelDatabase& database) {
        ChannelListDialog window(database, owner);
        window.show();
        for (const char* name : {"tvList", "radioList"}) {
            auto* view = window.findChild<ProgramListView*>(QString::fromLatin1(name));
            auto* model = static_cast<ProgramListModel*>(view->model());
            std::vector<int> selection;
            for (int row = 0; row < model->rowCount(); ++row)
                if (doomed.count(model->programAt(row)->name))
                    selection.push_back(row);
            view->selectRows(selection);
            view->setFocus();
            QTest::keyClick(view, Qt::Key_Delete);
            for (ProgramNode* program : model->programs())
                EXPECT_FALSE(doomed.count(program->name)) << "shown before Apply";
            (std::string(name) == "tvList" ? tvExpected : radioExpected) =
                labels(model->programs());
        }
        EXPECT_EQ(window.deletedCount(), int(doomed.size()));
        window.findChild<QPushButton*>(QStringLiteral("apply"))->click();
        return window.result() == QDialog::Accepted;
    };
    ChannelEditDialog& editor = open(file, windows);
    editor.findChild<QPushButton*>(QStringLiteral("channelList"))->click();

    ChannelDatabase& database = editor.document().database();
    EXPECT_EQ(labels(database.tvList), tvExpected);
    EXPECT_EQ(labels(database.radioList), radioExpected);
    EXPECT_EQ(database.transponderTotal(), original.transponderTotal()) << "transponders stay";
    QTest::keyClick(&editor, Qt::Key_S, Qt::ControlModifier);
    ChannelDatabase saved;
    ASSERT_EQ(readChannelFile(saved, file), 0);
    EXPECT_EQ(labels(saved.tvList), tvExpected);
    EXPECT_EQ(labels(saved.radioList), radioExpected);
    // Every group member is a program of its list whose mask has the group's bit, and back.
    for (int g = 0; g < saved.favoriteGroupCount; ++g) {
        const FavoriteGroup& group = saved.favoriteGroups[std::size_t(g)];
        std::set<const ProgramNode*> members(group.tvMembers.begin(), group.tvMembers.end());
        members.insert(group.radioMembers.begin(), group.radioMembers.end());
        for (const auto* list : {&saved.tvList, &saved.radioList})
            for (const ProgramNode* program : *list)
                EXPECT_EQ(members.count(program) == 1, (program->favoriteMask >> g) & 1)
                    << g << " " << program->name.constData();
        for (const ProgramNode* member : members)
            EXPECT_FALSE(doomed.count(member->name));
    }
    EXPECT_EQ(saved.favoriteGroups[0].tvMembers.size() + 2,
              original.favoriteGroups[0].tvMembers.size())
        << "A0-0 and C1-2 left group 1";

    QTest::keyClick(&editor, Qt::Key_Z, Qt::ControlModifier);
    database.savedDay = original.savedDay;
    database.savedMonth = original.savedMonth;
    database.savedYear = original.savedYear;
    database.savedHour = original.savedHour;
    database.savedMinute = original.savedMinute;
    for (ChannelDatabase* both : {&database, &original}) {
        both->renumber();
        ASSERT_TRUE(both->assignListPositions());
    }
    EXPECT_EQ(firstChannelDataDifference(database, original), QString());
}
