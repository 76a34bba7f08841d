#pragma once

#include "widgets/grid/grid_cell.h"

#include <QAbstractTableModel>

#include <vector>

// The cells of a grid, row by row, with the row heights, column widths and the number of
// leading fixed (header) rows and columns. Indexes count from 0 and include the fixed ones.
// Fixed cells are cells like any other; the view decides how to show them.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int rows() const { return int(cells_.size()); }
    int columns() const { return columns_; }
    bool contains(int row, int column) const {
        return row >= 0 && row < rows() && column >= 0 && column < columns_;
    }
    bool isFixed(int row, int column) const { return row < fixedRows_ || column < fixedColumns_; }

    const GridCell& cell(int row, int column) const { return cells_[row][column]; }
    // Changes through this reference are shown after cellUpdated().
    GridCell& cell(int row, int column) { return cells_[row][column]; }
    void cellUpdated(int row, int column);
    void rowUpdated(int row, int firstColumn, int lastColumn);
    void allCellsUpdated();

    // New cells start as copies of this one (font, format, colours).
    const GridCell& cellTemplate() const { return template_; }
    void setCellTemplate(const GridCell& cell) { template_ = cell; }

    void setRowCount(int count, int newRowHeight);
    void setColumnCount(int count, int newColumnWidth);
    void insertRowAt(int position, int height);
    void removeRowAt(int row);
    // Removes the rows (ascending, no duplicates, all in range) in one pass over the cells.
    // Many scattered rows are removed as one model reset, which the views take in one step;
    // returns true when it did that.
    bool removeRowSet(const std::vector<int>& sortedRows);

signals:
    // After removeRowSet took its rows out in one reset: which rows went (ascending).
    void rowSetRemoved(const std::vector<int>& sortedRows);

public:
    int fixedRows() const { return fixedRows_; }
    int fixedColumns() const { return fixedColumns_; }
    void setFixedRows(int count) { fixedRows_ = count; }
    void setFixedColumns(int count) { fixedColumns_ = count; }

    int rowHeight(int row) const { return rowHeights_[row]; }
    int columnWidth(int column) const { return columnWidths_[column]; }
    void setRowHeight(int row, int height) { rowHeights_[row] = height; }
    void setColumnWidth(int column, int width) { columnWidths_[column] = width; }
    int fixedRowsHeight() const;
    // The fixed row (column) at an offset from the top (left) of the fixed area, -1 past it.
    int fixedRowAt(int offset) const;
    int fixedColumnAt(int offset) const;
    // Offset of a fixed row (column) from the top (left) of the fixed area.
    int fixedRowTop(int row) const;
    int fixedColumnLeft(int column) const;
    int fixedColumnsWidth() const;
    int totalColumnsWidth() const;

private:
    std::vector<GridCell> newRow() const;

    std::vector<std::vector<GridCell>> cells_;
    std::vector<int> rowHeights_;
    std::vector<int> columnWidths_;
    int columns_ = 0;
    int fixedRows_ = 0;
    int fixedColumns_ = 0;
    GridCell template_;
};
