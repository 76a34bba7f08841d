#include "editor/editor_undo_replay.h"

#include "editor/channel_document.h"
#include "editor/channel_grid_commit.h"
#include "editor/edit_history.h"
#include "editor/satellite_tree_model.h"

#include <QTreeView>

EditorUndoReplay::EditorUndoReplay(ChannelDocument& document, EditHistory& history,
                                   ChannelGridCommit& gridCommit, SatelliteTreeModel& treeModel,
                                   QTreeView* tree, QObject* parent)
    : QObject(parent), m_document(document), m_history(history), m_gridCommit(gridCommit),
      m_treeModel(treeModel), m_tree(tree) {
    // What undo and redo change, so that the tree shows it afterwards.
    connect(&document, &ChannelDocument::satelliteChanged, this, [this](SatelliteNode* node) {
        noteTouched({node, nullptr, nullptr});
    });
    connect(&document, &ChannelDocument::transponderChanged, this, [this](TransponderNode* node) {
        noteTouched({node->satellite(), nullptr, nullptr});
    });
    connect(&document, &ChannelDocument::programChanged, this, [this](ProgramNode* node) {
        noteTouched({nullptr, nullptr, node});
    });
    const auto satelliteTouched = [this](SatelliteNode* node, int) {
        noteTouched({node, nullptr, nullptr});
    };
    connect(&document, &ChannelDocument::transponderInserted, this, satelliteTouched);
    connect(&document, &ChannelDocument::transponderRemoved, this, satelliteTouched);
    const auto transponderTouched = [this](TransponderNode* node, int) {
        noteTouched({nullptr, node, nullptr});
    };
    connect(&document, &ChannelDocument::programInserted, this, transponderTouched);
    connect(&document, &ChannelDocument::programRemoved, this, transponderTouched);
}

void EditorUndoReplay::undo() {
    // What was typed into the grid becomes a step first, so that it is the one taken back.
    if (const CellRefusals refusals = m_gridCommit.commitGrid(); !refusals.empty())
        m_gridCommit.refusedCells(refusals, QStringLiteral("The previous value was kept."));
    if (!m_history.canUndo())
        return;
    replay([this] { m_history.undo(); });
}

void EditorUndoReplay::redo() {
    if (const CellRefusals refusals = m_gridCommit.commitGrid(); !refusals.empty())
        m_gridCommit.refusedCells(refusals, QStringLiteral("The previous value was kept."));
    if (!m_history.canRedo())
        return;
    replay([this] { m_history.redo(); });
}

void EditorUndoReplay::noteTouched(const TreeNodeRef& node) {
    if (m_replaying)
        m_touched = node;
}

void EditorUndoReplay::replay(const std::function<void()>& step) {
    emit aboutToReplay();
    m_replaying = true;
    m_touched = {};
    step();
    m_replaying = false;
    // The node whose children show the change, when it still exists (looked up by address
    // only: a later part of the step may have deleted it); otherwise the tree's current node,
    // which the tree has moved off any node the step removed.
    QModelIndex shown;
    if (!m_touched.isNull() && findInTree(m_document.database(), m_touched))
        shown = m_touched.satellite     ? m_treeModel.indexOf(m_touched.satellite)
                : m_touched.transponder ? m_treeModel.indexOf(m_touched.transponder)
                                        : m_treeModel.indexOf(m_touched.program);
    if (!shown.isValid())
        shown = m_tree->currentIndex();
    if (!shown.isValid())
        shown = m_treeModel.index(0, 0);
    emit replayed(shown);
}
