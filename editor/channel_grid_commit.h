#pragma once

// Brings what the user typed into the channel editor's grid into the records, through the
// document and as undo steps. A cell whose text its record cannot hold keeps its text and its
// changed mark; the window is told why.

#include "editor/channel_grid.h"

class ChannelDocument;
class EditHistory;
class ProgramNode;
class QString;
class QWidget;
class SatelliteNode;
class TransponderNode;

// What the grid shows: the selected satellite's transponders (mode transponderRows) or the
// selected transponder's programs (programRows); `program` is the program chosen in the tree.
struct GridSelection {
    int mode = ChannelGrid::noRows;
    SatelliteNode* satellite = nullptr;
    TransponderNode* transponder = nullptr;
    ProgramNode* program = nullptr;
};

class ChannelGridCommit {
public:
    // `selection` is the window's own, read at each call; messages have `window` as parent.
    ChannelGridCommit(ChannelGrid* grid, ChannelDocument& document, EditHistory& history,
                      const GridSelection& selection, QWidget* window);

    // Brings the cells the user changed into the records, as one step; the reasons of cells
    // that could not be stored (they keep their text). Row `keptRow` is left for the caller
    // to read into a step of its own (0: none).
    CellRefusals commitGrid(int keptRow = 0);
    CellRefusals commitRow(int row);
    // Tells the user which cell could not be stored and what follows from it.
    void refusedCells(const CellRefusals& refusals, const QString& consequence);
    // The grid's cellChanged: the cells the tree shows go into their record at once; for the
    // others a value the record cannot hold is named now.
    void cellChanged(int row, int column);
    // Around the grid's cut or paste, which make one step: cells typed before it are a step of
    // their own, and the cells it changed that reach their record only on reading (symbol
    // rate, most PIDs) are read into its step when it ends.
    void cellsChangeBegun();
    void cellsChangeEnded();

private:
    // Shows why the cell (row, column) could not be stored, if it could not.
    void reportRefusal(const CellRefusals& refusals, int column);

    ChannelGrid* m_grid;
    ChannelDocument& m_document;
    EditHistory& m_history;
    const GridSelection& m_selection;
    QWidget* m_window;
};
