// Filling and scrolling a large grid: 20,000 rows of 9 columns, as a full transponder's
// program list never reaches but a stress case should. Runs on the offscreen platform.
#include "widgets/grid/grid_ctrl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>

namespace {

constexpr int kRows = 20000;
constexpr int kColumns = 9;

struct ShownGrid {
    ShownGrid() {
        window.resize(640, 420);
        grid = new GridCtrl(&window);
        grid->setGeometry(0, 0, 640, 420);
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
    }
    QWidget window;
    GridCtrl* grid = nullptr;
};

void fill(GridCtrl& grid) {
    grid.setRowCount(kRows + 1);
    grid.setColumnCount(kColumns);
    grid.setFixedRowCount(1);
    grid.setFixedColumnCount(1);
    grid.setRowHeight(0, 16);
    for (int column = 1; column < kColumns; ++column)
        grid.setCellText(0, column, QStringLiteral("Column %1").arg(column));
    for (int row = 1; row <= kRows; ++row) {
        grid.setCellText(row, 0, QString::number(row));
        grid.setCellText(row, 1, QStringLiteral("Program %1").arg(row));
        for (int column = 2; column < kColumns; ++column)
            grid.setCellText(row, column, QString::asprintf("0x%04x", (row + column) & 0x1FFF));
    }
}

void BM_FillGrid(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto shown = std::make_unique<ShownGrid>();
        state.ResumeTiming();
        fill(*shown->grid);
        QCoreApplication::processEvents(); // the first paint of the filled grid
        state.PauseTiming();
        shown.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FillGrid)->Unit(benchmark::kMillisecond)->Iterations(5);

// CPU time of this thread: on a machine shared with other jobs, wall time measures the
// neighbours as much as the grid.
double threadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct FrameTime {
    double wall = 0;
    double cpu = 0;
};

// One frame: move the scroll bar and paint what it shows, headers included.
FrameTime frame(GridCtrl& grid, int value) {
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = threadMilliseconds();
    grid.verticalScrollBar()->setValue(value);
    grid.viewport()->repaint();
    grid.verticalHeader()->viewport()->repaint();
    return {double(timer.nsecsElapsed()) / 1e6, threadMilliseconds() - cpuStart};
}

void BM_ScrollGridTopToBottom(benchmark::State& state) {
    ShownGrid shown;
    fill(*shown.grid);
    QScrollBar* bar = shown.grid->verticalScrollBar();
    const int step = state.range(0) == 0 ? bar->pageStep() : int(state.range(0));
    FrameTime worst;
    FrameTime total;
    int frames = 0;
    for (auto _ : state) {
        bar->setValue(0);
        for (int value = 0; value <= bar->maximum(); value += step) {
            const FrameTime time = frame(*shown.grid, value);
            worst.wall = std::max(worst.wall, time.wall);
            worst.cpu = std::max(worst.cpu, time.cpu);
            total.wall += time.wall;
            total.cpu += time.cpu;
            ++frames;
        }
    }
    state.counters["frames"] = frames;
    state.counters["max_frame_ms"] = worst.wall;
    state.counters["max_frame_cpu_ms"] = worst.cpu;
    state.counters["mean_frame_ms"] = total.wall / std::max(1, frames);
    state.counters["mean_frame_cpu_ms"] = total.cpu / std::max(1, frames);
}
// 0 = a page per frame; 3 = a wheel notch per frame.
BENCHMARK(BM_ScrollGridTopToBottom)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(1);

// Arrow keys in the big grid: each moves the focus, restarts the selection and repaints.
void BM_ArrowKeyInBigGrid(benchmark::State& state) {
    ShownGrid shown;
    fill(*shown.grid);
    shown.grid->setListMode(true);
    shown.grid->setFocusCell(1, 1);
    double worst = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(shown.grid, Qt::Key_Down);
        shown.grid->viewport()->repaint();
        worst = std::max(worst, double(timer.nsecsElapsed()) / 1e6);
    }
    state.counters["max_frame_ms"] = worst;
}
BENCHMARK(BM_ArrowKeyInBigGrid)->Unit(benchmark::kMillisecond)->Iterations(200);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
