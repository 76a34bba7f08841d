#pragma once

// The channel editor's file commands: Save, Save As, Load and the question before data is
// dropped. What the user typed into the grid goes into the records first; a cell that cannot
// be stored stops the save, and a save that did not happen stops whatever asked for it.

#include "widgets/file_dialog.h"

#include <QObject>

class ChannelDocument;
class ChannelGridCommit;
class EditHistory;
class QWidget;

class EditorFileCommands : public QObject {
    Q_OBJECT

public:
    // File dialogs, questions and messages have `window` as parent.
    EditorFileCommands(ChannelDocument& document, EditHistory& history,
                       ChannelGridCommit& gridCommit, QWidget* window);

    // True when the data was written.
    bool save();
    void saveAs();
    // Asks to save first, then reads the file the user picks; a file that does not read
    // leaves the current one shown as it is on disk.
    void load();
    // Before data is dropped: what was typed into the grid goes into the records first; false
    // when the command is to stop (Cancel, or a Yes whose save did not happen).
    bool askToSave();

signals:
    // Load: the window lets go of the tree and grid before the document reads another file,
    // and shows the data again afterwards.
    void aboutToLoad();
    void loaded();

private:
    // A Channel Data File dialog starting at the document's path.
    FileDialogRequest channelFileRequest(FileDialogMode mode) const;

    ChannelDocument& m_document;
    EditHistory& m_history;
    ChannelGridCommit& m_gridCommit;
    QWidget* m_window;
};
