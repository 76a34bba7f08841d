#pragma once

// The channel editor's grid rows as whole records: the rows of what the tree selected, filled
// from the records; Add, a new record at the end of the list as a new row; Delete, the records
// of the selected rows and their rows, as one step; the program a selected row holds.

#include <utility>

class ChannelDocument;
class ChannelGrid;
class EditHistory;
class ProgramNode;
class QWidget;
struct GridSelection;

class ChannelGridRows {
public:
    // `selection` is the window's own, read at each call; messages have `window` as parent.
    ChannelGridRows(ChannelGrid* grid, ChannelDocument& document, EditHistory& history,
                    const GridSelection& selection, QWidget* window);

    // A row for each transponder of the selected satellite or each program of the selected
    // transponder, numbered in column 0. The first transponder row, or the row of the program
    // chosen in the tree, is selected.
    void fill();
    // A new record at the end of the shown list and its row; a full list is named instead.
    void add();
    // The records of the selected rows go, and their rows with them. The grid must show rows.
    // True when the program chosen in the tree was among them.
    bool deleteSelected();
    // While the grid shows programs: the first selected row and its program; row -1 and no
    // program when no row with a program is selected.
    std::pair<int, ProgramNode*> selectedProgram() const;

private:
    ChannelGrid* m_grid;
    ChannelDocument& m_document;
    EditHistory& m_history;
    const GridSelection& m_selection;
    QWidget* m_window;
};
