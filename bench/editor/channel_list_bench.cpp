// The "Channel List" window on a large database: 20,000 programs (16,000 TV, 4,000 radio)
// on 20 satellites with 8 favourite groups. Opening the window, one sort by name, one drag
// of a row with the mouse, and switching to favourite mode. Runs on the offscreen platform.
#include "channels/channel_database.h"
#include "editor/channel_list_dialog.h"
#include "editor/program_list_model.h"
#include "editor/program_list_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QTest>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kSatellites = 20;
constexpr int kTransponders = 40; // per satellite
constexpr int kProgramsPerTransponder = 25;
constexpr int kGroups = 8;

std::unique_ptr<ChannelDatabase> makeDatabase() {
    auto database = std::make_unique<ChannelDatabase>();
    database->headerFlags = ChannelDatabase::favoritesFlag;
    database->favoriteGroupCount = kGroups;
    std::uint32_t random = 12345;
    const auto next = [&random] { return random = random * 1103515245u + 12345u; };
    for (int s = 0; s < kSatellites; ++s) {
        Satellite satellite;
        satellite.name = "Satellite " + QByteArray::number(s + 1);
        SatelliteNode* satelliteNode = database->appendSatellite(satellite);
        for (int t = 0; t < kTransponders; ++t) {
            TransponderNode* transponder =
                database->appendTransponder(satelliteNode, Transponder());
            for (int p = 0; p < kProgramsPerTransponder; ++p) {
                Program program;
                program.name = "Program " + QByteArray::number(next() % 100000);
                program.videoPid = p % 5 == 4 ? ChannelLimits::noPid : 0x100;
                program.programFlags = (next() >> 8) % 4 == 0 ? 0x90 : 0;
                const int group = int((next() >> 8) % 32);
                ProgramNode* node = database->appendProgram(transponder, program);
                if (group < kGroups) {
                    node->favoriteMask = std::uint8_t(1u << group);
                    FavoriteGroup& members = database->favoriteGroups[std::size_t(group)];
                    (node->isTv() ? members.tvMembers : members.radioMembers).push_back(node);
                }
            }
        }
    }
    for (int g = 0; g < kGroups; ++g)
        database->favoriteGroups[std::size_t(g)].name = "Group " + QByteArray::number(g + 1);
    database->renumber();
    return database;
}

ChannelDatabase& database() {
    static const std::unique_ptr<ChannelDatabase> instance = makeDatabase();
    return *instance;
}

std::unique_ptr<ChannelListDialog> openWindow() {
    auto dialog = std::make_unique<ChannelListDialog>(database());
    dialog->show();
    (void)QTest::qWaitForWindowExposed(dialog.get());
    return dialog;
}

ProgramListView* tvList(ChannelListDialog& dialog) {
    return dialog.findChild<ProgramListView*>(QStringLiteral("tvList"));
}

void BM_OpenWindow(benchmark::State& state) {
    for (auto _ : state) {
        auto dialog = std::make_unique<ChannelListDialog>(database());
        dialog->show();
        QCoreApplication::processEvents(); // the first paint
        state.PauseTiming();
        dialog.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenWindow)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_SortByName(benchmark::State& state) {
    auto dialog = openWindow();
    QHeaderView* header = tvList(*dialog)->header();
    const QPoint nameHeader(header->sectionViewportPosition(0) + 10, header->height() / 2);
    for (auto _ : state) {
        // Every click sorts: ascending, then alternately descending and ascending.
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, nameHeader);
        tvList(*dialog)->viewport()->repaint();
    }
}
BENCHMARK(BM_SortByName)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_DragRow(benchmark::State& state) {
    auto dialog = openWindow();
    ProgramListView* list = tvList(*dialog);
    const auto center = [list](int row) {
        return list->visualRect(list->model()->index(row, 0)).center();
    };
    const QPoint from = center(2);
    const QPoint to = center(9);
    for (auto _ : state) {
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, from);
        for (int step = 1; step <= 4; ++step)
            QTest::mouseMove(list->viewport(), from + (to - from) * step / 4);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, to);
        list->viewport()->repaint();
    }
}
BENCHMARK(BM_DragRow)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_SwitchToFavoriteMode(benchmark::State& state) {
    auto dialog = openWindow();
    auto* favoriteMode = dialog->findChild<QCheckBox*>(QStringLiteral("favoriteMode"));
    for (auto _ : state) {
        QTest::mouseClick(favoriteMode, Qt::LeftButton); // on
        QCoreApplication::processEvents();
        state.PauseTiming();
        QTest::mouseClick(favoriteMode, Qt::LeftButton); // back off, not timed
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SwitchToFavoriteMode)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
