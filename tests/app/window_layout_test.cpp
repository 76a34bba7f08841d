// The four resizable windows: their usual and smallest sizes, where the room goes when they
// grow, and the size, place, splitter and column widths they remember.
#include "app/main_dialog.h"
#include "base/last_settings.h"
#include "channels/channel_database.h"
#include "channels/channel_file_writer.h"
#include "editor/audio_pid_dialog.h"
#include "editor/channel_cells.h"
#include "editor/channel_edit_dialog.h"
#include "editor/channel_grid.h"
#include "editor/channel_list_dialog.h"
#include "editor/satellite_tree_model.h"
#include "widgets/dialog_units.h"
#include "widgets/window_memory.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// One satellite whose first transponder has 80 programs, the first of them 26 audio tracks;
// 80 transponders in all.
struct Channels {
    Channels() {
        database.layout = 1;
        Satellite satellite;
        satellite.name = "Sat A";
        SatelliteNode* node = database.appendSatellite(satellite);
        for (int t = 0; t < 80; ++t) {
            Transponder transponder;
            transponder.frequency = 10700000 + std::uint32_t(t) * 1000;
            transponder.symbolRate = 27500;
            TransponderNode* added = database.appendTransponder(node, transponder);
            for (int p = 0; t == 0 && p < 80; ++p) {
                Program program;
                program.name = QByteArray("P") + QByteArray::number(p);
                program.videoPid = std::uint16_t(p % 2 ? 0x100 : 0x7FFF);
                if (p == 0) {
                    program.audioCount = 26;
                    for (std::uint16_t a = 0; a < 26; ++a)
                        program.audioTracks[a] = {std::uint16_t(0x200 + a), 0};
                }
                database.appendProgram(added, program);
            }
        }
        database.renumber();
        path = dir.filePath(QStringLiteral("channels.cdf"));
        EXPECT_EQ(writeChannelFile(database, path), 0);
    }
    Program& firstProgram() {
        return *database.satelliteAt(0)->transponders().front()->programs().front();
    }
    QTemporaryDir dir;
    QString path;
    ChannelDatabase database;
};

Channels& channels() {
    static Channels shared;
    return shared;
}

LastSettings& lastSettings() {
    static LastSettings settings;
    return settings;
}

struct WindowCase {
    const char* name;
    // The name the window keeps its geometry under.
    const char* memory;
    std::function<std::unique_ptr<QWidget>()> open;
    // Its usual size in dialog units; empty when it is measured in pixels of its grid.
    QSize usualUnits;
    // The controls that take the room the window gains.
    QStringList growing;
    bool growsInHeight;
};

std::ostream& operator<<(std::ostream& out, const WindowCase& window) {
    return out << window.name;
}

const WindowCase windowCases[] = {
    {"MainWindow",
     "Main window",
     [] { return std::make_unique<MainDialog>(lastSettings()); },
     QSize(207, 176), // the template with the transfer result line below
     {"firmwarePath", "channelPath"},
     false},
    {"Editor",
     "Channel editor",
     [] { return std::make_unique<ChannelEditDialog>(channels().path); },
     QSize(416, 303),
     {"satelliteTree", "channelGrid"},
     true},
    {"ChannelList",
     "Channel list",
     [] { return std::make_unique<ChannelListDialog>(channels().database); },
     QSize(471, 267),
     {"tvList", "radioList"},
     true},
    {"Audio",
     "Audio",
     [] { return std::make_unique<AudioPidDialog>(channels().firstProgram()); },
     QSize(),
     {"audioGrid"},
     true},
};

void forget(const QString& name) {
    SettingsStore store;
    for (const QString& suffix : {QString(), QStringLiteral(" splitter"),
                                  QStringLiteral(" columns 1"), QStringLiteral(" columns 2")})
        store.writeText(WindowMemory::sectionName, name + suffix, QString());
}

void showAndWait(QWidget& window) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
}

QWidget* child(QWidget& window, const QString& name) {
    auto* found = window.findChild<QWidget*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}

// How many data rows the grid has room for.
int rowsShown(GridCtrl& grid) {
    return grid.viewport()->height() / grid.defaultRowHeight();
}

class WindowLayout : public ::testing::TestWithParam<WindowCase> {
protected:
    void SetUp() override { forget(QLatin1String(GetParam().memory)); }
    void TearDown() override { forget(QLatin1String(GetParam().memory)); }
};

} // namespace

TEST_P(WindowLayout, OpensAtItsUsualSizeAndFitsSmallScreens) {
    const auto window = GetParam().open();
    showAndWait(*window);
    if (GetParam().usualUnits.isValid()) {
        const QSize units = GetParam().usualUnits;
        // Never larger than the screen (the test screen is 800 x 600).
        EXPECT_EQ(window->size(), DialogUnits(window->font())
                                      .size(units.width(), units.height())
                                      .boundedTo(WindowMemory::roomOnScreen()));
    }
    // 1280 x 1024 at 200 % leaves 640 x 512 with a title bar and a panel to spare; 1024 x 600
    // at 100 % leaves more.
    const QSize smallest = window->minimumSizeHint();
    EXPECT_LE(smallest.width(), 620);
    EXPECT_LE(smallest.height(), 460);
    window->resize(1, 1);
    EXPECT_EQ(window->size(), smallest.expandedTo(window->minimumSize()));
    // Shrunk to its smallest, every control is still inside the window.
    QCoreApplication::processEvents();
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (!control->isVisible() || control->isWindow())
            continue;
        const QRect inWindow(control->mapTo(window.get(), QPoint(0, 0)), control->size());
        EXPECT_TRUE(window->rect().contains(inWindow))
            << control->metaObject()->className() << " " << control->objectName().toStdString();
    }
}

TEST_P(WindowLayout, GrowingGivesTheRoomToTheLists) {
    const auto window = GetParam().open();
    showAndWait(*window);
    QList<QSize> before;
    for (const QString& name : GetParam().growing)
        before << child(*window, name)->size();
    auto* grid = window->findChild<GridCtrl*>();
    const int rowsBefore = grid ? rowsShown(*grid) : 0;

    const QSize usual = window->size();
    window->resize(usual * 2);
    QCoreApplication::processEvents();
    int widthGained = 0;
    for (qsizetype i = 0; i < before.size(); ++i) {
        const QSize now = child(*window, GetParam().growing[i])->size();
        widthGained += now.width() - before[i].width();
        if (GetParam().growsInHeight)
            EXPECT_GE(now.height() - before[i].height(), usual.height() * 9 / 10)
                << GetParam().growing[i].toStdString();
    }
    EXPECT_GE(widthGained, usual.width() * 9 / 10);
    if (grid) {
        EXPECT_GE(rowsShown(*grid), 2 * rowsBefore);
        EXPECT_GT(rowsBefore, 4);
    }
}

TEST_P(WindowLayout, SizePlaceAndMaximisedStateComeBack) {
    QRect placed;
    {
        const auto window = GetParam().open();
        showAndWait(*window);
        window->setGeometry(QRect(QPoint(31, 42), window->size() + QSize(57, 23)));
        QCoreApplication::processEvents();
        placed = window->geometry();
        window->hide();
    }
    {
        const auto window = GetParam().open();
        EXPECT_EQ(window->geometry(), placed);
        showAndWait(*window);
        EXPECT_EQ(window->geometry(), placed);
        window->showMaximized();
        QCoreApplication::processEvents();
        window->hide();
    }
    const auto window = GetParam().open();
    EXPECT_TRUE(window->windowState() & Qt::WindowMaximized);
    // The size it had before it was maximised comes back with it.
    EXPECT_EQ(window->normalGeometry().size(), placed.size());
}

TEST_P(WindowLayout, APlaceOffEveryScreenIsIgnored) {
    const QSize remembered(640, 480);
    {
        QWidget elsewhere;
        elsewhere.setGeometry(QRect(QPoint(5000, 4000), remembered));
        SettingsStore().writeText(WindowMemory::sectionName, QLatin1String(GetParam().memory),
                                  QString::fromLatin1(elsewhere.saveGeometry().toBase64()));
    }
    const auto window = GetParam().open();
    showAndWait(*window);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(window->frameGeometry().topLeft()))
        << window->frameGeometry().x() << "," << window->frameGeometry().y();
    EXPECT_EQ(window->size(), remembered.expandedTo(window->minimumSizeHint()));
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowLayout, ::testing::ValuesIn(windowCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EditorLayout, SplitterAndColumnWidthsPerGridModeComeBack) {
    forget(QStringLiteral("Channel editor"));
    QList<int> splitter;
    int dragged = 0;
    int transponderWidth = 0;
    {
        ChannelEditDialog editor(channels().path);
        showAndWait(editor);
        transponderWidth = editor.grid()->columnWidth(1);
        // The programs of the first transponder.
        const QModelIndex satellite = editor.treeModel().index(0, 0);
        editor.tree()->setCurrentIndex(editor.treeModel().index(0, 0, satellite));
        ASSERT_EQ(editor.grid()->gridMode(), ChannelGrid::programRows);

        // The right edge of the "Name" header dragged 40 pixels to the right.
        QHeaderView* header = editor.grid()->horizontalHeader();
        const int column = ProgramColumn::name;
        const int before = editor.grid()->columnWidth(column);
        const QPoint edge(header->sectionViewportPosition(column) + header->sectionSize(column) - 1,
                          header->height() / 2);
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, edge);
        QTest::mouseMove(header->viewport(), edge + QPoint(20, 0));
        QTest::mouseMove(header->viewport(), edge + QPoint(40, 0));
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, edge + QPoint(40, 0));
        dragged = editor.grid()->columnWidth(column);
        EXPECT_EQ(dragged, before + 40);
        EXPECT_EQ(header->sectionSize(column), dragged);

        editor.splitter()->setSizes({300, 400});
        splitter = editor.splitter()->sizes();
        editor.hide();
    }
    ChannelEditDialog editor(channels().path);
    showAndWait(editor);
    EXPECT_EQ(editor.splitter()->sizes(), splitter);
    // The transponders keep their own widths.
    EXPECT_EQ(editor.grid()->columnWidth(1), transponderWidth);
    const QModelIndex satellite = editor.treeModel().index(0, 0);
    editor.tree()->setCurrentIndex(editor.treeModel().index(0, 0, satellite));
    EXPECT_EQ(editor.grid()->columnWidth(ProgramColumn::name), dragged);
    editor.hide();
    forget(QStringLiteral("Channel editor"));
}

TEST(EditorLayout, RememberedColumnWidthsFromAnEditedSettingsFileStayUsable) {
    // A width of 0 would hide the column for good (no edge left to grab), a huge one would
    // put the next columns past any scrolling.
    for (const QString& stored :
         {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2147483647")}) {
        QStringList widths;
        for (int column = 0; column < ProgramColumn::count; ++column)
            widths << stored;
        SettingsStore().writeText(
            WindowMemory::sectionName,
            QStringLiteral("Channel editor columns %1").arg(ChannelGrid::programRows),
            widths.join(QLatin1Char(',')));
        ChannelEditDialog editor(channels().path);
        showAndWait(editor);
        const QModelIndex satellite = editor.treeModel().index(0, 0);
        editor.tree()->setCurrentIndex(editor.treeModel().index(0, 0, satellite));
        ASSERT_EQ(editor.grid()->gridMode(), ChannelGrid::programRows);
        for (const int width : editor.grid()->columnWidths()) {
            EXPECT_GE(width, GridCtrl::narrowestResizedColumn) << stored.toStdString();
            EXPECT_LE(width, GridCtrl::widestResizedColumn) << stored.toStdString();
        }
        editor.hide();
    }
    forget(QStringLiteral("Channel editor"));
}

TEST(EditorLayout, ARememberedSplitterTooLargeToAddUpIsIgnored) {
    SettingsStore().writeText(WindowMemory::sectionName, QStringLiteral("Channel editor splitter"),
                              QStringLiteral("2147483647,2147483647"));
    ChannelEditDialog editor(channels().path);
    showAndWait(editor);
    // The grid stays beside the tree, inside the window.
    const int gridLeft = editor.grid()->mapTo(&editor, QPoint(0, 0)).x();
    EXPECT_GT(gridLeft, editor.tree()->mapTo(&editor, QPoint(0, 0)).x());
    EXPECT_LT(gridLeft, editor.width());
    editor.hide();
    forget(QStringLiteral("Channel editor"));
}
