// The channel editor on big files: opening until the window is shown with the first
// satellite's transponders in the grid, listing a transponder with 1,000 programs, and the
// memory a maximum-size file takes. Runs on the offscreen platform.
#include "channels/channel_database.h"
#include "channels/channel_file_generator.h"
#include "channels/channel_file_writer.h"
#include "editor/channel_document.h"
#include "editor/channel_edit_dialog.h"
#include "editor/channel_grid.h"
#include "editor/satellite_tree_model.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <memory>
#include <unistd.h>

namespace {

QTemporaryDir& folder() {
    static QTemporaryDir dir;
    return dir;
}

QString generatedFile(int programs) {
    const QString path = folder().filePath(QStringLiteral("generated-%1.cdf").arg(programs));
    if (QFile::exists(path))
        return path;
    ChannelGeneratorOptions options;
    options.programs = programs;
    QByteArray image;
    if (generateChannelImage(options, image) != 0)
        return {};
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(image) != image.size())
        return {};
    return path;
}

// One satellite whose second transponder carries 1,000 programs.
QString thousandProgramsFile() {
    const QString path = folder().filePath(QStringLiteral("thousand.cdf"));
    if (QFile::exists(path))
        return path;
    ChannelDatabase database;
    Satellite satellite;
    satellite.name = "Big";
    SatelliteNode* node = database.appendSatellite(satellite);
    for (int t = 0; t < 2; ++t) {
        TransponderNode* transponder = database.appendTransponder(node, Transponder{});
        for (int p = 0; p < (t == 0 ? 10 : 1000); ++p) {
            Program program;
            program.name = "Program " + QByteArray::number(p);
            program.videoPid = std::uint16_t(p % 3 == 0 ? ChannelLimits::noPid : 0x100 + p);
            program.pcrPid = program.videoPid;
            program.audioCount = 1;
            program.audioTracks[0] = {std::uint16_t(0x200 + p), 0};
            database.appendProgram(transponder, program);
        }
    }
    return writeChannelFile(database, path) == 0 ? path : QString();
}

std::unique_ptr<ChannelEditDialog> openShown(const QString& path) {
    auto editor = std::make_unique<ChannelEditDialog>(path);
    editor->show();
    (void)QTest::qWaitForWindowExposed(editor.get());
    QCoreApplication::processEvents(); // the first paint
    return editor;
}

// Runs first: memory freed by earlier runs would be reused unseen.
long residentKilobytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

// Resident memory of the editor on a maximum-size file above the same window on an empty
// file, measured in this process after the window is shown.
void BM_MemoryAboveEmptyWindow(benchmark::State& state) {
    const QString large = generatedFile(ChannelGeneratorOptions::asMany);
    const QString empty = folder().filePath(QStringLiteral("empty.cdf"));
    ChannelDatabase nothing;
    if (writeChannelFile(nothing, empty) != 0 || large.isEmpty()) {
        state.SkipWithError("no file");
        return;
    }
    double above = 0;
    for (auto _ : state) {
        auto emptyEditor = openShown(empty);
        const long before = residentKilobytes();
        auto editor = openShown(large);
        above = double(residentKilobytes() - before) / 1024;
    }
    state.counters["MB_above_empty"] = above;
}
BENCHMARK(BM_MemoryAboveEmptyWindow)->Unit(benchmark::kMillisecond)->Iterations(1);

void openUntilShown(benchmark::State& state, const QString& path) {
    if (path.isEmpty()) {
        state.SkipWithError("no file");
        return;
    }
    bool listed = true;
    double programs = 0;
    for (auto _ : state) {
        auto editor = openShown(path);
        const ChannelDatabase& database = editor->document().database();
        programs = double(database.tvList.size() + database.radioList.size());
        SatelliteNode* first = editor->document().database().satelliteAt(0);
        listed = listed && first && editor->gridMode() == 1 &&
                 editor->grid()->rowCount() == first->transponderCount() + 1;
        state.PauseTiming();
        editor.reset();
        state.ResumeTiming();
    }
    if (!listed)
        state.SkipWithError("the first satellite's transponders are not listed");
    state.counters["programs"] = programs;
    state.counters["file_KB"] = double(QFile(path).size()) / 1024;
}

void BM_OpenMaximumFile(benchmark::State& state) {
    openUntilShown(state, generatedFile(ChannelGeneratorOptions::asMany));
}
BENCHMARK(BM_OpenMaximumFile)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_OpenTypicalFile(benchmark::State& state) {
    openUntilShown(state, generatedFile(3000));
}
BENCHMARK(BM_OpenTypicalFile)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ListThousandPrograms(benchmark::State& state) {
    auto editor = openShown(thousandProgramsFile());
    SatelliteTreeModel& model = editor->treeModel();
    const QModelIndex satellite = model.index(0, 0);
    for (auto _ : state) {
        state.PauseTiming();
        editor->tree()->setCurrentIndex(model.index(0, 0, satellite));
        QCoreApplication::processEvents();
        state.ResumeTiming();
        editor->tree()->setCurrentIndex(model.index(1, 0, satellite));
        QCoreApplication::processEvents(); // painted
    }
    if (editor->grid()->rowCount() != 1001)
        state.SkipWithError("the programs are not listed");
}
BENCHMARK(BM_ListThousandPrograms)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace
