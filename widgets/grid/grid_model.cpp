#include "widgets/grid/grid_model.h"

#include <algorithm>
#include <numeric>

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows();
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !contains(index.row(), index.column()))
        return {};
    const GridCell& c = cells_[index.row()][index.column()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return c.text;
    case Qt::FontRole:
        return c.font;
    case Qt::TextAlignmentRole:
        return int(gridAlignment(c.format));
    default:
        return {};
    }
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || !contains(index.row(), index.column()))
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled;
    if (!(cells_[index.row()][index.column()].state & GridState::readOnly))
        result |= Qt::ItemIsEditable;
    return result;
}

void GridModel::cellUpdated(int row, int column) {
    const QModelIndex at = index(row, column);
    emit dataChanged(at, at);
}

void GridModel::rowUpdated(int row, int firstColumn, int lastColumn) {
    emit dataChanged(index(row, firstColumn), index(row, lastColumn));
}

void GridModel::allCellsUpdated() {
    if (rows() > 0 && columns_ > 0)
        emit dataChanged(index(0, 0), index(rows() - 1, columns_ - 1));
}

std::vector<GridCell> GridModel::newRow() const {
    return std::vector<GridCell>(std::size_t(columns_), template_);
}

void GridModel::setRowCount(int count, int newRowHeight) {
    const int old = rows();
    if (count > old) {
        beginInsertRows({}, old, count - 1);
        cells_.reserve(std::size_t(count));
        for (int r = old; r < count; ++r)
            cells_.push_back(newRow());
        rowHeights_.resize(std::size_t(count), newRowHeight);
        endInsertRows();
    } else if (count < old) {
        beginRemoveRows({}, count, old - 1);
        cells_.resize(std::size_t(count));
        rowHeights_.resize(std::size_t(count));
        endRemoveRows();
    }
    fixedRows_ = std::min(fixedRows_, count);
}

void GridModel::setColumnCount(int count, int newColumnWidth) {
    const int old = columns_;
    if (count > old) {
        beginInsertColumns({}, old, count - 1);
        columns_ = count;
        for (auto& row : cells_)
            row.resize(std::size_t(count), template_);
        columnWidths_.resize(std::size_t(count), newColumnWidth);
        endInsertColumns();
    } else if (count < old) {
        beginRemoveColumns({}, count, old - 1);
        columns_ = count;
        for (auto& row : cells_)
            row.resize(std::size_t(count));
        columnWidths_.resize(std::size_t(count));
        endRemoveColumns();
    }
    fixedColumns_ = std::min(fixedColumns_, count);
}

void GridModel::insertRowAt(int position, int height) {
    beginInsertRows({}, position, position);
    cells_.insert(cells_.begin() + position, newRow());
    rowHeights_.insert(rowHeights_.begin() + position, height);
    endInsertRows();
}

void GridModel::removeRowAt(int row) {
    beginRemoveRows({}, row, row);
    cells_.erase(cells_.begin() + row);
    rowHeights_.erase(rowHeights_.begin() + row);
    if (row < fixedRows_)
        --fixedRows_;
    endRemoveRows();
}

bool GridModel::removeRowSet(const std::vector<int>& sortedRows) {
    if (sortedRows.empty())
        return false;
    // A run of adjacent rows is one removal for the views; each costs them a pass over all
    // their sections, so past a few runs one reset is cheaper.
    constexpr int kMostRuns = 8;
    int runs = 1;
    for (std::size_t i = 1; i < sortedRows.size() && runs <= kMostRuns; ++i)
        if (sortedRows[i] != sortedRows[i - 1] + 1)
            ++runs;
    const int fixedGone = int(std::lower_bound(sortedRows.begin(), sortedRows.end(), fixedRows_) -
                              sortedRows.begin());
    if (runs <= kMostRuns) {
        // Bottom up, so that the rows still to go keep their indexes.
        std::size_t end = sortedRows.size();
        while (end > 0) {
            std::size_t begin = end - 1;
            while (begin > 0 && sortedRows[begin - 1] + 1 == sortedRows[begin])
                --begin;
            const int first = sortedRows[begin];
            const int last = sortedRows[end - 1];
            beginRemoveRows({}, first, last);
            cells_.erase(cells_.begin() + first, cells_.begin() + last + 1);
            rowHeights_.erase(rowHeights_.begin() + first, rowHeights_.begin() + last + 1);
            fixedRows_ -= std::max(0, std::min(last + 1, fixedRows_) - first);
            endRemoveRows();
            end = begin;
        }
        return false;
    }
    beginResetModel();
    std::size_t kept = 0;
    std::size_t next = 0;
    for (std::size_t row = 0; row < cells_.size(); ++row) {
        if (next < sortedRows.size() && std::size_t(sortedRows[next]) == row) {
            ++next;
            continue;
        }
        if (kept != row) {
            cells_[kept] = std::move(cells_[row]);
            rowHeights_[kept] = rowHeights_[row];
        }
        ++kept;
    }
    cells_.resize(kept);
    rowHeights_.resize(kept);
    fixedRows_ -= fixedGone;
    endResetModel();
    emit rowSetRemoved(sortedRows);
    return true;
}

int GridModel::fixedRowsHeight() const {
    return std::accumulate(rowHeights_.begin(), rowHeights_.begin() + fixedRows_, 0);
}

int GridModel::fixedColumnsWidth() const {
    return std::accumulate(columnWidths_.begin(), columnWidths_.begin() + fixedColumns_, 0);
}

int GridModel::totalColumnsWidth() const {
    return std::accumulate(columnWidths_.begin(), columnWidths_.end(), 0);
}

namespace {
int indexAtOffset(const std::vector<int>& sizes, int count, int offset) {
    if (offset < 0)
        return -1;
    for (int i = 0, end = 0; i < count; ++i) {
        end += sizes[std::size_t(i)];
        if (offset < end)
            return i;
    }
    return -1;
}
} // namespace

int GridModel::fixedRowAt(int offset) const {
    return indexAtOffset(rowHeights_, fixedRows_, offset);
}

int GridModel::fixedColumnAt(int offset) const {
    return indexAtOffset(columnWidths_, fixedColumns_, offset);
}

int GridModel::fixedRowTop(int row) const {
    return std::accumulate(rowHeights_.begin(), rowHeights_.begin() + row, 0);
}

int GridModel::fixedColumnLeft(int column) const {
    return std::accumulate(columnWidths_.begin(), columnWidths_.begin() + column, 0);
}
