// Cells: their texts and attributes, the sizes of rows and columns, and where cells are on the
// widget.
#include "widgets/grid/grid_ctrl.h"

#include "widgets/grid/grid_corner.h"
#include "widgets/grid/grid_header.h"
#include "widgets/grid/grid_model.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// Cells

bool GridCtrl::setCell(const GridItem& item) {
    if (!model_->contains(item.row, item.column))
        return false;
    GridCell& cell = model_->cell(item.row, item.column);
    if (item.mask & GridMask::text)
        cell.text = item.text;
    if (item.mask & GridMask::image)
        cell.image = item.image;
    if (item.mask & GridMask::data)
        cell.data = item.data;
    if (item.mask & GridMask::state) {
        cell.state = (item.state & ~GridState::focused) | (cell.state & GridState::focused);
        if (cell.state & GridState::selected) {
            const QRect one(item.column, item.row, 1, 1);
            selectedArea_ = selectedArea_.isNull() ? one : selectedArea_.united(one);
        }
    }
    if (item.mask & GridMask::backgroundColour)
        cell.backgroundColour = item.backgroundColour;
    if (item.mask & GridMask::textColour)
        cell.textColour = item.textColour;
    if (item.mask & GridMask::format)
        cell.format = item.format;
    if (item.mask & GridMask::font)
        cell.font = item.font;
    model_->cellUpdated(item.row, item.column);
    if (model_->isFixed(item.row, item.column))
        redraw();
    return true;
}

bool GridCtrl::getCell(GridItem& item) const {
    if (!model_->contains(item.row, item.column))
        return false;
    const GridCell& cell = model_->cell(item.row, item.column);
    item.state = cell.state;
    item.format = cell.format;
    item.text = cell.text;
    item.image = cell.image;
    item.backgroundColour = cell.backgroundColour;
    item.textColour = cell.textColour;
    item.data = cell.data;
    item.font = cell.font;
    return true;
}

bool GridCtrl::setRowTexts(int row, const QStringList& texts, int firstColumn) {
    if (!model_->contains(row, firstColumn))
        return false;
    const int lastColumn =
        int(std::min<qsizetype>(model_->columns() - 1, firstColumn + texts.size() - 1));
    if (lastColumn < firstColumn)
        return true;
    for (int column = firstColumn; column <= lastColumn; ++column)
        model_->cell(row, column).text = texts[column - firstColumn];
    model_->rowUpdated(row, firstColumn, lastColumn);
    if (model_->isFixed(row, firstColumn))
        redraw();
    return true;
}

bool GridCtrl::setCellText(int row, int column, const QString& text) {
    if (!model_->contains(row, column))
        return false;
    model_->cell(row, column).text = text;
    model_->cellUpdated(row, column);
    if (model_->isFixed(row, column))
        redraw();
    return true;
}

QString GridCtrl::getCellText(int row, int column) const {
    if (!model_->contains(row, column))
        return {};
    return model_->cell(row, column).text;
}

std::uint32_t GridCtrl::getCellState(int row, int column) const {
    if (!model_->contains(row, column))
        return 0;
    return model_->cell(row, column).state;
}

bool GridCtrl::setCellState(int row, int column, std::uint32_t state) {
    GridItem item;
    item.row = row;
    item.column = column;
    item.mask = GridMask::state;
    item.state = state;
    return setCell(item);
}

// ---------------------------------------------------------------------------------------------
// Sizes

bool GridCtrl::setRowHeight(int row, int height) {
    if (row < 0 || row >= model_->rows() || height < 0)
        return false;
    hideTitleTip();
    model_->setRowHeight(row, height);
    syncRowHeight(row);
    return true;
}

bool GridCtrl::setColumnWidth(int column, int width) {
    if (column < 0 || column >= model_->columns() || width < 0)
        return false;
    hideTitleTip();
    model_->setColumnWidth(column, width);
    syncColumnWidth(column);
    return true;
}

QList<int> GridCtrl::columnWidths() const {
    QList<int> widths;
    for (int column = 0; column < model_->columns(); ++column)
        widths << model_->columnWidth(column);
    return widths;
}

bool GridCtrl::setColumnWidths(const QList<int>& widths) {
    if (widths.size() != model_->columns())
        return false;
    for (int column = 0; column < model_->columns(); ++column)
        setColumnWidth(column,
                       std::clamp(widths[column], narrowestResizedColumn, widestResizedColumn));
    return true;
}

int GridCtrl::rowHeight(int row) const {
    return row >= 0 && row < model_->rows() ? model_->rowHeight(row) : 0;
}

int GridCtrl::columnWidth(int column) const {
    return column >= 0 && column < model_->columns() ? model_->columnWidth(column) : 0;
}

void GridCtrl::syncRowHeight(int row) {
    if (row < model_->fixedRows()) {
        applyFixedAreas();
        return;
    }
    if (rowHeader_->sectionSize(row) != model_->rowHeight(row))
        rowHeader_->resizeSection(row, model_->rowHeight(row));
}

void GridCtrl::syncColumnWidth(int column) {
    if (column < model_->fixedColumns()) {
        applyFixedAreas();
        return;
    }
    if (columnHeader_->sectionSize(column) != model_->columnWidth(column))
        columnHeader_->resizeSection(column, model_->columnWidth(column));
}

// ---------------------------------------------------------------------------------------------
// Geometry

QRect GridCtrl::cellRect(int row, int column) const {
    if (!model_->contains(row, column))
        return {};
    const bool fixedRow = row < model_->fixedRows();
    const bool fixedColumn = column < model_->fixedColumns();
    QRect rect;
    const QWidget* area = nullptr;
    if (fixedRow && fixedColumn) {
        rect = corner_->cellRect(row, column);
        area = corner_;
    } else if (fixedRow) {
        rect = columnHeader_->cellRect(row, column);
        area = columnHeader_->viewport();
    } else if (fixedColumn) {
        rect = rowHeader_->cellRect(row, column);
        area = rowHeader_->viewport();
    } else {
        rect = visualRect(model_->index(row, column));
        area = viewport();
    }
    if (rect.isEmpty() || !area->rect().intersects(rect))
        return {};
    return QRect(area->mapTo(this, rect.topLeft()), rect.size());
}

GridCellRef GridCtrl::cellAt(const QPoint& position) const {
    const auto inside = [&](const QWidget* widget) {
        return widget->isVisible() &&
               QRect(widget->mapTo(this, QPoint(0, 0)), widget->size()).contains(position);
    };
    if (inside(corner_))
        return corner_->cellAt(corner_->mapFrom(this, position));
    if (inside(columnHeader_->viewport()))
        return columnHeader_->cellAt(columnHeader_->viewport()->mapFrom(this, position));
    if (inside(rowHeader_->viewport()))
        return rowHeader_->cellAt(rowHeader_->viewport()->mapFrom(this, position));
    if (inside(viewport())) {
        const QModelIndex index = indexAt(viewport()->mapFrom(this, position));
        if (index.isValid())
            return {index.row(), index.column()};
    }
    return {};
}
