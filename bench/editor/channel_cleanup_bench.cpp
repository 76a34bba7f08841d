// Cleaning up a list of 20,000 programs (16,000 TV, 4,000 radio, 20 satellites, 8 favourite
// groups, every tenth program a second copy of a service): the duplicates rule alone and as
// the "Channel List" window's Select entry; deleting 5,000 selected TV programs in the window
// and applying them in the editor (the window's Delete and Apply, then the removal as one
// step); and the one undo that brings them back. Runs on the offscreen platform.
#include "channels/channel_database.h"
#include "channels/channel_file_writer.h"
#include "channels/program_cleanup.h"
#include "editor/channel_document.h"
#include "editor/channel_edit_dialog.h"
#include "editor/channel_list_dialog.h"
#include "editor/program_list_model.h"
#include "editor/program_list_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kSatellites = 20;
constexpr int kTransponders = 40; // per satellite
constexpr int kProgramsPerTransponder = 25;
constexpr int kGroups = 8;
constexpr int kDeleted = 5000;

// Short names, so that 20,000 programs fit into one file.
void fill(ChannelDatabase& database) {
    database.headerFlags = ChannelDatabase::favoritesFlag;
    database.favoriteGroupCount = kGroups;
    int number = 0;
    for (int s = 0; s < kSatellites; ++s) {
        SatelliteNode* satellite =
            database.appendSatellite(Satellite{.name = "Sat " + QByteArray::number(s + 1)});
        for (int t = 0; t < kTransponders; ++t) {
            TransponderNode* transponder = database.appendTransponder(
                satellite, Transponder{.frequency = std::uint32_t(10700000 + 20000 * t)});
            for (int p = 0; p < kProgramsPerTransponder; ++p, ++number) {
                Program program;
                // Every tenth program repeats the service ID of the one before.
                program.serviceId = std::uint16_t(p % 10 == 3 ? p - 1 : p);
                program.name = "P" + QByteArray::number(number);
                program.videoPid = p % 5 == 4 ? ChannelLimits::noPid : 0x100;
                ProgramNode* node = database.appendProgram(transponder, program);
                const int group = number % 16;
                if (group < kGroups) {
                    node->favoriteMask = std::uint8_t(1u << group);
                    FavoriteGroup& members = database.favoriteGroups[std::size_t(group)];
                    (node->isTv() ? members.tvMembers : members.radioMembers).push_back(node);
                }
            }
        }
    }
    for (int g = 0; g < kGroups; ++g)
        database.favoriteGroups[std::size_t(g)].name = "Group " + QByteArray::number(g + 1);
    database.renumber();
}

ChannelDatabase& database() {
    static const std::unique_ptr<ChannelDatabase> instance = [] {
        auto made = std::make_unique<ChannelDatabase>();
        fill(*made);
        return made;
    }();
    return *instance;
}

QString largeFile() {
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString file = folder.filePath(QStringLiteral("cleanup.cdf"));
        return writeChannelFile(database(), file) == 0 ? file : QString();
    }();
    return path;
}

void BM_DuplicatesRule(benchmark::State& state) {
    int picked = 0;
    for (auto _ : state) {
        picked = 0;
        for (const auto* list : {&database().tvList, &database().radioList})
            for (const bool duplicate : ProgramCleanup::duplicates(*list))
                picked += duplicate ? 1 : 0;
    }
    state.counters["selected"] = picked;
}
BENCHMARK(BM_DuplicatesRule)->Unit(benchmark::kMillisecond);

// The window's "Select" > "Duplicates": the rule over both lists and the rows selected.
void BM_SelectDuplicatesInWindow(benchmark::State& state) {
    ChannelListDialog dialog(database());
    dialog.show();
    (void)QTest::qWaitForWindowExposed(&dialog);
    auto* menu = dialog.findChild<QMenu*>(QStringLiteral("selectMenu"));
    auto* tv = dialog.findChild<ProgramListView*>(QStringLiteral("tvList"));
    std::size_t selected = 0;
    for (auto _ : state) {
        state.PauseTiming();
        tv->clearSelection();
        emit menu->aboutToShow();
        QAction* duplicates = menu->findChild<QAction*>(QStringLiteral("selectDuplicates"));
        state.ResumeTiming();
        duplicates->trigger();
        QCoreApplication::processEvents(); // painted
        selected = tv->selectedRows().size();
    }
    state.counters["tv_selected"] = double(selected);
}
BENCHMARK(BM_SelectDuplicatesInWindow)->Unit(benchmark::kMillisecond)->Iterations(10);

// Delete + Apply in the window and the editor's removal as one step, then Ctrl+Z.
void BM_DeleteFiveThousandApplyAndUndo(benchmark::State& state) {
    const QString file = largeFile();
    if (file.isEmpty()) {
        state.SkipWithError("no file");
        return;
    }
    double undoMs = 0;
    std::size_t left = 0;
    bool restored = true;
    for (auto _ : state) {
        QElapsedTimer timer;
        ChannelEditorWindows windows;
        windows.openChannelList = [&timer](QWidget* owner, ChannelDatabase& data) {
            ChannelListDialog window(data, owner);
            window.show();
            auto* tv = window.findChild<ProgramListView*>(QStringLiteral("tvList"));
            std::vector<int> rows;
            for (int row = 0; row < kDeleted; ++row)
                rows.push_back(row * 3);
            tv->selectRows(rows);
            tv->setFocus();
            timer.start();
            QTest::keyClick(tv, Qt::Key_Delete);
            window.findChild<QPushButton*>(QStringLiteral("apply"))->click();
            return window.result() == QDialog::Accepted;
        };
        auto editor = std::make_unique<ChannelEditDialog>(file, windows);
        editor->show();
        QCoreApplication::processEvents();
        const std::size_t before = editor->document().database().tvList.size();
        editor->findChild<QPushButton*>(QStringLiteral("channelList"))->click();
        QCoreApplication::processEvents(); // painted
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        left = editor->document().database().tvList.size();

        // The key reaches the editor's shortcut only in the active window.
        QApplication::setActiveWindow(editor.get());
        QElapsedTimer undo;
        undo.start();
        QTest::keyClick(editor.get(), Qt::Key_Z, Qt::ControlModifier);
        QCoreApplication::processEvents();
        undoMs = double(undo.nsecsElapsed()) / 1e6;
        restored = restored && editor->document().database().tvList.size() == before;
    }
    if (left != 16000 - kDeleted || !restored)
        state.SkipWithError(QStringLiteral("the programs were not deleted and restored (%1 left)")
                                .arg(left)
                                .toUtf8()
                                .constData());
    state.counters["undo_ms"] = undoMs;
    state.counters["tv_left"] = double(left);
}
BENCHMARK(BM_DeleteFiveThousandApplyAndUndo)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

} // namespace
