#include "editor/channel_grid_rows.h"

#include "editor/channel_document.h"
#include "editor/channel_grid.h"
#include "editor/channel_grid_commit.h"
#include "editor/edit_history.h"
#include "widgets/message_box.h"

#include <utility>
#include <vector>

ChannelGridRows::ChannelGridRows(ChannelGrid* grid, ChannelDocument& document, EditHistory& history,
                                 const GridSelection& selection, QWidget* window)
    : m_grid(grid), m_document(document), m_history(history), m_selection(selection),
      m_window(window) {}

void ChannelGridRows::fill() {
    if (m_selection.mode == ChannelGrid::transponderRows) {
        const int count = m_selection.satellite->transponderCount();
        m_grid->setRowCount(1);
        m_grid->setRowCount(count + 1);
        for (int row = 1; row <= count; ++row) {
            m_grid->setCellText(row, 0, QString::number(row));
            m_grid->fillTransponderRow(*m_selection.satellite->transponderAt(row - 1), row);
        }
        m_grid->selectRow(1);
    } else if (m_selection.mode == ChannelGrid::programRows) {
        const int count = m_selection.transponder->programCount();
        m_grid->setRowCount(1);
        m_grid->setRowCount(count + 1);
        for (int row = 1; row <= count; ++row) {
            m_grid->setCellText(row, 0, QString::number(row));
            m_grid->fillProgramRow(*m_selection.transponder->programAt(row - 1), row);
        }
        // A program chosen in the tree is the row "Audio" and "Delete" act on.
        if (m_selection.program)
            m_grid->selectRow(m_selection.transponder->indexOf(m_selection.program) + 1);
    }
}

void ChannelGridRows::add() {
    m_grid->commitEdit();
    int row = -1;
    if (m_selection.mode == ChannelGrid::transponderRows) {
        TransponderNode* node = m_document.apply(TransponderAddition{m_selection.satellite, {}});
        if (!node) {
            showMessage(m_window, QStringLiteral("No transponder can be added: a file holds at "
                                                 "most %1 transponders.")
                                      .arg(ChannelLimits::maxTransponders));
            return;
        }
        row = m_grid->insertRow(QString::number(m_grid->rowCount()));
        m_grid->fillTransponderRow(*node, row);
    } else if (m_selection.mode == ChannelGrid::programRows) {
        ProgramNode* node = m_document.apply(ProgramAddition{m_selection.transponder, {}});
        if (!node) {
            showMessage(m_window, QStringLiteral("No program can be added: the radio list "
                                                 "already holds %1 programs, the most it can "
                                                 "hold.")
                                      .arg(ChannelLimits::maxProgramsPerList));
            return;
        }
        row = m_grid->insertRow(QString::number(m_grid->rowCount()));
        m_grid->fillProgramRow(*node, row);
    } else {
        return;
    }
    m_grid->scrollToBottom();
    m_grid->redraw();
    m_document.setModified(true);
}

bool ChannelGridRows::deleteSelected() {
    m_history.beginStep();
    bool selectedProgramDeleted = false;
    // Rows go in one pass at the end: a grid row at a time costs a pass over all rows each.
    std::vector<int> deletedRows;
    int child = 0;
    for (int row = 1; row < m_grid->rowCount(); ++row) {
        const bool selected = m_grid->isRowSelected(row);
        bool deleted = false;
        if (m_selection.mode == ChannelGrid::transponderRows) {
            TransponderNode* transponder = m_selection.satellite->transponderAt(child);
            if (!transponder)
                break;
            deleted = selected &&
                      m_document.apply(TransponderRemoval{m_selection.satellite, transponder});
        } else {
            ProgramNode* program = m_selection.transponder->programAt(child);
            if (!program)
                break;
            const bool wasSelectedNode = program == m_selection.program;
            deleted =
                selected && m_document.apply(ProgramRemoval{m_selection.transponder, program});
            selectedProgramDeleted |= deleted && wasSelectedNode;
        }
        if (deleted)
            deletedRows.push_back(row);
        else
            ++child;
    }
    if (!deletedRows.empty()) {
        m_grid->deleteRows(std::move(deletedRows));
        m_document.setModified(true);
    }
    m_history.endStep();
    m_grid->redraw();
    return selectedProgramDeleted;
}

std::pair<int, ProgramNode*> ChannelGridRows::selectedProgram() const {
    for (int row = 1; row < m_grid->rowCount(); ++row) {
        ProgramNode* program = m_selection.transponder->programAt(row - 1);
        if (!program)
            break;
        if (m_grid->isRowSelected(row))
            return {row, program};
    }
    return {-1, nullptr};
}
