// Filling and scrolling a large grid: 20,000 rows of 9 columns, as a full transponder's
// program list never reaches but a stress case should. Runs on the offscreen platform.
#include "widgets/grid/grid_ctrl.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

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

// The editor's way of filling a transponder: one appended row per program, then its texts, in a
// grid with a fixed header row and a fixed row-number column.
constexpr int kAppendedRows = 16000;

void prepareHeaders(GridCtrl& grid) {
    grid.setRowCount(1);
    grid.setColumnCount(kColumns);
    grid.setFixedRowCount(1);
    grid.setFixedColumnCount(1);
}

void setProgramTexts(GridCtrl& grid, int row) {
    grid.setCellText(row, 1, QStringLiteral("Program %1").arg(row));
    for (int column = 2; column < kColumns; ++column)
        grid.setCellText(row, column, QString::asprintf("0x%04x", (row + column) & 0x1FFF));
}

void BM_AppendRowsOneByOne(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto shown = std::make_unique<ShownGrid>();
        prepareHeaders(*shown->grid);
        state.ResumeTiming();
        for (int n = 1; n <= kAppendedRows; ++n)
            setProgramTexts(*shown->grid, shown->grid->insertRow(QString::number(n)));
        QCoreApplication::processEvents();
        state.PauseTiming();
        shown.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AppendRowsOneByOne)->Unit(benchmark::kMillisecond)->Iterations(1);

// Half of 16,000 rows selected (every other one, as Ctrl+clicks leave them), then deleted the
// way the editor's "delete selected rows" does it.
void selectEveryOtherRow(GridCtrl& grid) {
    for (int row = 1; row < grid.rowCount(); row += 2)
        for (int column = 1; column < kColumns; ++column)
            grid.setCellState(row, column, GridState::selected);
}

void BM_DeleteSelectedRowsOneByOne(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto shown = std::make_unique<ShownGrid>();
        prepareHeaders(*shown->grid);
        for (int n = 1; n <= kAppendedRows; ++n)
            shown->grid->insertRow(QString::number(n));
        selectEveryOtherRow(*shown->grid);
        state.ResumeTiming();
        for (int row = shown->grid->rowCount() - 1; row >= 1; --row)
            if (shown->grid->getCellState(row, 1) & GridState::selected)
                shown->grid->deleteRow(row);
        QCoreApplication::processEvents();
        state.PauseTiming();
        shown.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteSelectedRowsOneByOne)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same with the bulk operations: all rows at once, one call per row for its texts.
void BM_FillRowsAtOnce(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto shown = std::make_unique<ShownGrid>();
        prepareHeaders(*shown->grid);
        state.ResumeTiming();
        GridCtrl& grid = *shown->grid;
        grid.setRowCount(kAppendedRows + 1);
        QStringList texts;
        for (int row = 1; row <= kAppendedRows; ++row) {
            texts.clear();
            texts << QString::number(row) << QStringLiteral("Program %1").arg(row);
            for (int column = 2; column < kColumns; ++column)
                texts << QString::asprintf("0x%04x", (row + column) & 0x1FFF);
            grid.setRowTexts(row, texts);
        }
        QCoreApplication::processEvents();
        state.PauseTiming();
        shown.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FillRowsAtOnce)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_DeleteSelectedRowsAtOnce(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto shown = std::make_unique<ShownGrid>();
        prepareHeaders(*shown->grid);
        shown->grid->setRowCount(kAppendedRows + 1);
        selectEveryOtherRow(*shown->grid);
        state.ResumeTiming();
        shown->grid->deleteRows(shown->grid->selectedRows());
        QCoreApplication::processEvents();
        state.PauseTiming();
        shown.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteSelectedRowsAtOnce)->Unit(benchmark::kMillisecond)->Iterations(3);

long peakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A clipboard far larger than the grid: 20 M characters pasted into a 10 x 10 data area. The
// peak memory counter is the process's, so it means something only when this runs alone
// (--benchmark_filter=Paste).
void BM_PasteHugeClipboard(benchmark::State& state) {
    ShownGrid shown;
    shown.grid->setRowCount(11);
    shown.grid->setColumnCount(11);
    shown.grid->setFixedRowCount(1);
    shown.grid->setFixedColumnCount(1);
    QString text;
    const QString line = QStringLiteral("0x0101\t0x0102\tsome name\t12345\n");
    text.reserve(20'000'000 + line.size());
    while (text.size() < 20'000'000)
        text += line;
    QGuiApplication::clipboard()->setText(text);
    text.clear();
    text.squeeze();
    const long before = peakResidentKilobytes();
    for (auto _ : state) {
        shown.grid->setFocusCell(1, 1);
        shown.grid->paste();
    }
    state.counters["peak_rss_growth_mb"] = double(peakResidentKilobytes() - before) / 1024.0;
}
BENCHMARK(BM_PasteHugeClipboard)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
