#pragma once

// Undo and redo in the channel editor: what the user typed into the grid becomes a step first,
// then the step is taken back or made again, and the window is told which tree node shows the
// change (the node whose children changed, or where the tree stands when that one went).

#include "editor/channel_search.h"

#include <QObject>

#include <functional>

class ChannelDocument;
class ChannelGridCommit;
class EditHistory;
class QModelIndex;
class QTreeView;
class SatelliteTreeModel;

class EditorUndoReplay : public QObject {
    Q_OBJECT

public:
    // `tree` shows `treeModel`; both belong to the window, which is the parent.
    EditorUndoReplay(ChannelDocument& document, EditHistory& history, ChannelGridCommit& gridCommit,
                     SatelliteTreeModel& treeModel, QTreeView* tree, QObject* parent);

    void undo();
    void redo();

signals:
    // The step changes the tree under the window: the window does not follow the tree's
    // selection from here until replayed.
    void aboutToReplay();
    // The step is done; the window selects `node` and shows its children in the grid (an
    // invalid index when the tree is empty).
    void replayed(const QModelIndex& node);

private:
    void replay(const std::function<void()>& step);
    void noteTouched(const TreeNodeRef& node);

    ChannelDocument& m_document;
    EditHistory& m_history;
    ChannelGridCommit& m_gridCommit;
    SatelliteTreeModel& m_treeModel;
    QTreeView* m_tree;
    bool m_replaying = false;
    // The last node the running step changed children or fields of.
    TreeNodeRef m_touched;
};
