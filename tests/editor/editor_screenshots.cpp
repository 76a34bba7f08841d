// Not a test: saves pictures of the channel editor in each grid mode, with an edit in
// progress, with a long satellite list and with a search under way, for a person to look at.
//   editor_screenshots OUTPUT_FOLDER
#include "channels/channel_database.h"
#include "channels/channel_file_generator.h"
#include "channels/channel_file_writer.h"
#include "editor/channel_cells.h"
#include "editor/channel_edit_dialog.h"
#include "editor/channel_grid.h"
#include "editor/satellite_tree_model.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace {
void save(QWidget& window, const QString& folder, const char* name) {
    QCoreApplication::processEvents();
    window.grab().save(QDir(folder).filePath(QLatin1String(name) + QStringLiteral(".png")));
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir dir;
    ChannelGeneratorOptions options;
    options.programs = ChannelGeneratorOptions::asMany;
    QByteArray image;
    ChannelDatabase database;
    if (generateChannelImage(options, image, &database) != 0)
        return 1;
    // Readable names instead of the generator's random bytes.
    for (int s = 0; s < database.satelliteCount(); ++s) {
        SatelliteNode* satellite = database.satelliteAt(s);
        satellite->name = QByteArray("Satellite ") + QByteArray::number(s + 1) +
                          (s % 3 == 0 ? " East & West" : "");
        for (const auto& transponder : satellite->transponders())
            for (const auto& program : transponder->programs())
                program->name = (program->hasVideo() ? "TV " : "Radio ") +
                                QByteArray::number(transponder->indexOf(program.get()) + 1);
    }
    const QString path = dir.filePath(QStringLiteral("channels.cdf"));
    if (writeChannelFile(database, path) != 0)
        return 1;

    ChannelEditDialog editor(path);
    editor.show();
    (void)QTest::qWaitForWindowExposed(&editor);
    SatelliteTreeModel& model = editor.treeModel();
    // The first satellite with a transponder that has programs.
    QModelIndex satellite;
    QModelIndex transponder;
    for (int s = 0; s < model.rowCount() && !transponder.isValid(); ++s)
        for (int t = 0; t < model.rowCount(model.index(s, 0)); ++t)
            if (model.rowCount(model.index(t, 0, model.index(s, 0))) > 3) {
                satellite = model.index(s, 0);
                transponder = model.index(t, 0, satellite);
                break;
            }
    editor.tree()->setCurrentIndex(satellite);
    save(editor, folder, "editor-transponders");
    editor.tree()->expand(satellite);
    editor.tree()->expand(transponder);
    editor.tree()->setCurrentIndex(transponder);
    save(editor, folder, "editor-programs");
    ChannelGrid* grid = editor.grid();
    grid->editCell(2, ProgramColumn::name);
    if (QLineEdit* box = grid->cellEditor())
        box->setText(box->text() + QStringLiteral(" (edited)"));
    save(editor, folder, "editor-edit-in-progress");
    grid->commitEdit();
    editor.tree()->collapseAll();
    editor.tree()->selectionModel()->clearSelection();
    save(editor, folder, "editor-nothing-selected");

    // Ctrl+F and a name typed into the field: the first match is selected.
    editor.activateWindow();
    (void)QTest::qWaitForWindowActive(&editor);
    QTest::keyClick(&editor, Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(editor.findField(), QStringLiteral("radio 4"));
    save(editor, folder, "editor-find");
    QTest::keyClick(editor.findField(), Qt::Key_Return);
    save(editor, folder, "editor-find-next");
    QTest::keyClicks(editor.findField(), QStringLiteral("xq"));
    save(editor, folder, "editor-find-no-match");
    return 0;
}
