// Undo in the channel editor on a maximum-size file: one cell edit taken back with Ctrl+Z,
// until the record, the tree and the grid are as they were (the repaint after it reported
// apart), and the step alone. The grid lists the transponder with
// the most programs, the worst case for refilling it. Runs on the offscreen platform.
#include "channels/channel_file_generator.h"
#include "editor/channel_cells.h"
#include "editor/channel_document.h"
#include "editor/channel_edit_dialog.h"
#include "editor/channel_grid.h"
#include "editor/edit_history.h"
#include "editor/satellite_tree_model.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QUndoStack>

#include <benchmark/benchmark.h>

namespace {

QString maximumFile(QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("maximum.cdf"));
    ChannelGeneratorOptions options;
    options.programs = ChannelGeneratorOptions::asMany;
    QByteArray image;
    QFile file(path);
    if (generateChannelImage(options, image) != 0 || !file.open(QIODevice::WriteOnly) ||
        file.write(image) != image.size())
        return {};
    return path;
}

TransponderNode* busiestTransponder(const ChannelDatabase& database) {
    TransponderNode* busiest = nullptr;
    for (const auto& satellite : database.satellites())
        for (const auto& transponder : satellite->transponders())
            if (!busiest || transponder->programCount() > busiest->programCount())
                busiest = transponder.get();
    return busiest;
}

void BM_UndoCellEditOnMaximumFile(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = maximumFile(dir);
    if (path.isEmpty()) {
        state.SkipWithError("no file");
        return;
    }
    ChannelEditDialog editor(path);
    editor.show();
    editor.activateWindow();
    if (!QTest::qWaitForWindowActive(&editor)) {
        state.SkipWithError("the editor is not active");
        return;
    }
    const ChannelDatabase& database = editor.document().database();
    TransponderNode* transponder = busiestTransponder(database);
    if (!transponder || transponder->programCount() == 0) {
        state.SkipWithError("no programs");
        return;
    }
    editor.tree()->setCurrentIndex(editor.treeModel().indexOf(transponder));
    QCoreApplication::processEvents();
    ChannelGrid* grid = editor.grid();
    const QByteArray name = transponder->programAt(0)->name;
    bool restored = true;
    qint64 paintNanoseconds = 0;
    // For comparison: the repaint after the edit itself.
    qint64 editPaintNanoseconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        grid->setFocusCell(1, ProgramColumn::name);
        grid->editCell(1, ProgramColumn::name);
        if (QLineEdit* box = grid->cellEditor())
            box->setText(QStringLiteral("Edited"));
        grid->commitEdit();
        QElapsedTimer editPainting;
        editPainting.start();
        QCoreApplication::processEvents();
        editPaintNanoseconds += editPainting.nsecsElapsed();
        state.ResumeTiming();
        QTest::keyClick(&editor, Qt::Key_Z, Qt::ControlModifier);
        state.PauseTiming();
        // The repaint that follows is timed apart: it is that of any change in the window.
        QElapsedTimer painting;
        painting.start();
        QCoreApplication::processEvents();
        paintNanoseconds += painting.nsecsElapsed();
        restored = restored && transponder->programAt(0)->name == name &&
                   grid->getCellText(1, ProgramColumn::name) != QStringLiteral("Edited");
        state.ResumeTiming();
    }
    if (!restored)
        state.SkipWithError("the edit was not undone");
    state.counters["paint_ms"] = double(paintNanoseconds) / 1e6 / double(state.iterations());
    state.counters["edit_paint_ms"] =
        double(editPaintNanoseconds) / 1e6 / double(state.iterations());
    state.counters["programs_listed"] = transponder->programCount();
    state.counters["programs_in_file"] = double(database.tvList.size() + database.radioList.size());
}
BENCHMARK(BM_UndoCellEditOnMaximumFile)->Unit(benchmark::kMillisecond)->Iterations(50);

// The step alone: the record and the tree's item as they were, without the window's refill
// and painting.
void BM_UndoStepOfCellEdit(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = maximumFile(dir);
    if (path.isEmpty()) {
        state.SkipWithError("no file");
        return;
    }
    ChannelEditDialog editor(path);
    ChannelDocument& document = editor.document();
    TransponderNode* transponder = busiestTransponder(document.database());
    if (!transponder || transponder->programCount() == 0) {
        state.SkipWithError("no programs");
        return;
    }
    ProgramNode* program = transponder->programAt(transponder->programCount() - 1);
    const QByteArray name = program->name;
    bool restored = true;
    for (auto _ : state) {
        state.PauseTiming();
        Program after = program->record();
        after.name = "Edited";
        document.apply(ProgramEdit{program, program->record(), after});
        state.ResumeTiming();
        editor.history().undo();
        state.PauseTiming();
        restored = restored && program->name == name;
        state.ResumeTiming();
    }
    if (!restored)
        state.SkipWithError("the edit was not undone");
}
BENCHMARK(BM_UndoStepOfCellEdit)->Unit(benchmark::kMicrosecond)->Iterations(200);

} // namespace
