#pragma once

#include "channels/channel_records.h"
#include "widgets/grid/grid_ctrl.h"

#include <QStringList>

class TransponderNode;

#include <functional>
#include <vector>

// A cell whose text its record cannot hold, and why.
struct CellRefusal {
    int row = 0;
    int column = 0;
    QString reason;
};
using CellRefusals = std::vector<CellRefusal>;

// The grid of the channel editor: the transponders of a satellite (mode 1) or the programs of
// a transponder (mode 2), one row per record in tree order, row 0 the header and column 0 the
// row number. It is an editing buffer: the row readers bring only the cells the user changed
// since the row was filled into the record, so merely looking never rewrites a record.
class ChannelGrid : public GridCtrl {
    Q_OBJECT
public:
    static constexpr int noRows = 0;
    static constexpr int transponderRows = 1;
    static constexpr int programRows = 2;

    explicit ChannelGrid(QWidget* parent = nullptr);

    void applyBaseSettings();
    // The header and columns of a grid mode (noRows, transponderRows or programRows), with no
    // data rows.
    void setColumns(int gridMode);
    int gridMode() const { return gridMode_; }

    void fillTransponderRow(const Transponder& transponder, int row);
    void fillProgramRow(const Program& program, int row);
    // The name cells of the transponder's program rows from their records, after the character
    // set of names changed; a cell the user changed keeps its text.
    void refreshNames(const TransponderNode& transponder);

    // Read the changed cells of `row` into the record and take their changed mark away. A cell
    // whose text the record cannot hold keeps its text and its mark and leaves its field as it
    // was; the reasons are returned.
    CellRefusals readTransponderRow(int row, Transponder& transponder);
    CellRefusals readProgramRow(int row, Program& program);

    // Whether the user changed a cell of `row` since it was filled or read.
    bool isRowEdited(int row) const;
    bool isCellEdited(int row, int column) const;
    void markCellEdited(int row, int column);
    bool isRowSelected(int row) const;
    // Focus on the grid, the focus cell at (row, 1) and the row the only selection.
    void selectRow(int row);

private:
    void fillCell(int row, int column, const QString& text);
    CellRefusals readRow(int row, int columns,
                         const std::function<QString(int, const QString&)>& read);

    int gridMode_ = noRows;
};
