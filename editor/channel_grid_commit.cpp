#include "editor/channel_grid_commit.h"

#include "editor/channel_cells.h"
#include "editor/channel_document.h"
#include "editor/edit_history.h"
#include "widgets/message_box.h"

#include <QList>

#include <utility>

ChannelGridCommit::ChannelGridCommit(ChannelGrid* grid, ChannelDocument& document,
                                     EditHistory& history, const GridSelection& selection,
                                     QWidget* window)
    : m_grid(grid), m_document(document), m_history(history), m_selection(selection),
      m_window(window) {}

void ChannelGridCommit::reportRefusal(const CellRefusals& refusals, int column) {
    for (const CellRefusal& refusal : refusals)
        if (refusal.column == column)
            showMessage(m_window, refusal.reason);
}

void ChannelGridCommit::refusedCells(const CellRefusals& refusals, const QString& consequence) {
    QString text = QStringLiteral("Row %1: ").arg(refusals.front().row) + refusals.front().reason;
    if (refusals.size() > 1)
        text +=
            QStringLiteral("\n(%1 more cells cannot be stored either.)").arg(refusals.size() - 1);
    showMessage(m_window, text + QStringLiteral("\n\n") + consequence);
}

CellRefusals ChannelGridCommit::commitRow(int row) {
    if (!m_grid->isRowEdited(row))
        return {};
    if (m_selection.mode == ChannelGrid::transponderRows) {
        TransponderNode* transponder = m_selection.satellite->transponderAt(row - 1);
        if (!transponder)
            return {};
        Transponder after = transponder->record();
        const CellRefusals refusals = m_grid->readTransponderRow(row, after);
        m_document.apply(TransponderEdit{transponder, transponder->record(), after});
        return refusals;
    }
    if (m_selection.mode == ChannelGrid::programRows) {
        ProgramNode* program = m_selection.transponder->programAt(row - 1);
        if (!program)
            return {};
        Program after = program->record();
        CellRefusals refusals = m_grid->readProgramRow(row, after);
        const QString why = m_document.apply(ProgramEdit{program, program->record(), after});
        if (!why.isEmpty()) {
            refusals.push_back({row, ProgramColumn::videoPid, why});
            m_grid->markCellEdited(row, ProgramColumn::videoPid);
        }
        return refusals;
    }
    return {};
}

CellRefusals ChannelGridCommit::commitGrid(int keptRow) {
    m_grid->commitEdit();
    int children = 0;
    if (m_selection.mode == ChannelGrid::transponderRows)
        children = m_selection.satellite->transponderCount();
    else if (m_selection.mode == ChannelGrid::programRows)
        children = m_selection.transponder->programCount();
    CellRefusals refusals;
    // The cells typed since the last reading are one step.
    m_history.beginStep();
    for (int row = 1; row < m_grid->rowCount() && row <= children; ++row) {
        if (row == keptRow)
            continue;
        const CellRefusals rowRefusals = commitRow(row);
        refusals.insert(refusals.end(), rowRefusals.begin(), rowRefusals.end());
    }
    m_history.endStep();
    return refusals;
}

void ChannelGridCommit::cellChanged(int row, int column) {
    m_document.setModified(true);
    const QString text = m_grid->getCellText(row, column);
    if (m_selection.mode == ChannelGrid::transponderRows) {
        TransponderNode* transponder = m_selection.satellite->transponderAt(row - 1);
        if (!transponder)
            return;
        if (column == TransponderColumn::frequency || column == TransponderColumn::polarization) {
            // The tree's label and image follow at once.
            reportRefusal(commitRow(row), column);
            return;
        }
        // The other cells reach the record later; a value it cannot hold is named now.
        Transponder trial = transponder->record();
        if (const QString why = readTransponderCell(column, text, trial); !why.isEmpty())
            showMessage(m_window, why);
        return;
    }
    if (m_selection.mode != ChannelGrid::programRows)
        return;
    ProgramNode* program = m_selection.transponder->programAt(row - 1);
    if (!program)
        return;
    if (column == ProgramColumn::name || column == ProgramColumn::videoPid) {
        reportRefusal(commitRow(row), column);
        return;
    }
    if (column == ProgramColumn::audioPid) {
        m_history.beginStep();
        const CellRefusals refusals = commitRow(row);
        if (m_grid->isCellEdited(row, column)) {
            m_history.endStep();
            reportRefusal(refusals, column);
            return;
        }
        Program after = program->record();
        after.audioSelection = 255;
        m_document.apply(ProgramEdit{program, program->record(), after});
        m_history.endStep();
        // Refill the row, keeping what could not be stored.
        QList<std::pair<int, QString>> kept;
        for (int other = 1; other < ProgramColumn::count; ++other)
            if (m_grid->isCellEdited(row, other))
                kept.append({other, m_grid->getCellText(row, other)});
        m_grid->fillProgramRow(*program, row);
        for (const auto& [other, otherText] : kept) {
            m_grid->setCellText(row, other, otherText);
            m_grid->markCellEdited(row, other);
        }
        return;
    }
    Program trial = program->record();
    if (const QString why = readProgramCell(column, text, trial); !why.isEmpty())
        showMessage(m_window, why);
}

void ChannelGridCommit::cellsChangeBegun() {
    // A cell refused here was named when it was typed, and keeps its text.
    commitGrid();
    m_history.beginStep();
}

void ChannelGridCommit::cellsChangeEnded() {
    // The cut or pasted cells the record cannot hold were named as they changed.
    commitGrid();
    m_history.endStep();
}
