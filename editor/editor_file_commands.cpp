#include "editor/editor_file_commands.h"

#include "channels/channel_file_messages.h"
#include "editor/channel_document.h"
#include "editor/channel_grid_commit.h"
#include "editor/edit_history.h"
#include "widgets/file_dialog.h"
#include "widgets/message_box.h"

namespace {

const QString channelFilter =
    QStringLiteral("Channel Data File (*.CDF)|*.cdf|All file (*.*)|*.*||");
// Lower case, as in the main window: on a case-sensitive file system the default extension
// has to match the files the filter lists.
const QString channelExtension = QStringLiteral("cdf");
const QString saveQuestion = QStringLiteral("Some data have been modified. Would you save this?");

} // namespace

EditorFileCommands::EditorFileCommands(ChannelDocument& document, EditHistory& history,
                                       ChannelGridCommit& gridCommit, QWidget* window)
    : QObject(window), m_document(document), m_history(history), m_gridCommit(gridCommit),
      m_window(window) {}

bool EditorFileCommands::save() {
    if (const CellRefusals refusals = m_gridCommit.commitGrid(); !refusals.empty()) {
        m_gridCommit.refusedCells(refusals,
                                  QStringLiteral("Nothing was saved. Correct the cell and save "
                                                 "again."));
        return false;
    }
    if (const QString failure = m_document.save(); !failure.isEmpty()) {
        showMessage(m_window, failure);
        return false;
    }
    m_history.markSaved();
    return true;
}

FileDialogRequest EditorFileCommands::channelFileRequest(FileDialogMode mode) const {
    FileDialogRequest request;
    request.mode = mode;
    request.initialPath = m_document.path();
    request.filter = channelFilter;
    request.defaultSuffix = channelExtension;
    return request;
}

void EditorFileCommands::saveAs() {
    FileDialogRequest request = channelFileRequest(FileDialogMode::save);
    request.confirmOverwrite = true;
    const QString path = runFileDialog(m_window, request);
    if (path.isEmpty())
        return;
    if (const CellRefusals refusals = m_gridCommit.commitGrid(); !refusals.empty()) {
        m_gridCommit.refusedCells(refusals,
                                  QStringLiteral("Nothing was saved. Correct the cell and save "
                                                 "again."));
        return;
    }
    if (const QString failure = m_document.saveAs(path); !failure.isEmpty())
        showMessage(m_window, failure);
    else
        m_history.markSaved();
}

void EditorFileCommands::load() {
    if (!askToSave())
        return;
    FileDialogRequest request = channelFileRequest(FileDialogMode::open);
    request.mustExist = true;
    const QString path = runFileDialog(m_window, request);
    // No file chosen, nothing loaded: the edits stay, and stay unsaved, so that closing the
    // window still asks about them.
    if (path.isEmpty())
        return;
    m_document.setModified(false);
    emit aboutToLoad();
    if (const int result = m_document.load(path); result != 0) {
        showMessage(m_window, channelReadResultText(result));
        // Show the current file as it is on disk again.
        m_document.load(m_document.path());
    }
    m_history.clear();
    emit loaded();
}

bool EditorFileCommands::askToSave() {
    // A cell still being typed into counts as a change: the close box and the keys do not take
    // the focus from the grid, so without this the question would not see it and the text would
    // go unasked. A cell that cannot be stored keeps its text; a Yes names it when saving.
    m_gridCommit.commitGrid();
    if (!m_document.isModified())
        return true;
    switch (askYesNoCancel(m_window, saveQuestion)) {
    case MessageAnswer::cancel:
        return false;
    case MessageAnswer::yes:
        // A save that did not happen stops the command: going on would drop the data the
        // user just asked to keep.
        return save();
    case MessageAnswer::no:
        return true;
    }
    return true;
}
