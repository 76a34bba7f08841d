#include "widgets/grid/grid_header.h"

#include "widgets/grid/grid_cell_painter.h"
#include "widgets/grid/grid_model.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

GridHeader::GridHeader(Qt::Orientation orientation, GridCtrl* grid)
    : QHeaderView(orientation, grid), grid_(grid) {
    setSectionsClickable(false);
    setSectionsMovable(false);
    setHighlightSections(false);
    setMinimumSectionSize(0);
    setSectionResizeMode(QHeaderView::Fixed);
    viewport()->setMouseTracking(true);
}

GridCellRef GridHeader::cellAt(const QPoint& position) const {
    const GridModel& model = grid_->gridModel();
    if (orientation() == Qt::Horizontal) {
        const int column = logicalIndexAt(position.x());
        const int row = model.fixedRowAt(position.y());
        if (column < 0 || row < 0)
            return {};
        return {row, column};
    }
    const int row = logicalIndexAt(position.y());
    const int column = model.fixedColumnAt(position.x());
    if (row < 0 || column < 0)
        return {};
    return {row, column};
}

QRect GridHeader::cellRect(int row, int column) const {
    const GridModel& model = grid_->gridModel();
    if (!model.contains(row, column))
        return {};
    if (orientation() == Qt::Horizontal) {
        if (row >= model.fixedRows() || column < model.fixedColumns())
            return {};
        const int y = model.fixedRowTop(row);
        return QRect(sectionViewportPosition(column), y, sectionSize(column), model.rowHeight(row));
    }
    if (column >= model.fixedColumns() || row < model.fixedRows())
        return {};
    const int x = model.fixedColumnLeft(column);
    return QRect(x, sectionViewportPosition(row), model.columnWidth(column), sectionSize(row));
}

QSize GridHeader::sizeHint() const {
    const GridModel& model = grid_->gridModel();
    if (orientation() == Qt::Horizontal)
        return {length(), model.fixedRowsHeight()};
    return {model.fixedColumnsWidth(), length()};
}

void GridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    const GridModel& model = grid_->gridModel();
    painter->save();
    if (orientation() == Qt::Horizontal) {
        int y = rect.top();
        for (int row = 0; row < model.fixedRows() && logicalIndex < model.columns(); ++row) {
            const QRect cell(rect.left(), y, rect.width(), model.rowHeight(row));
            paintGridCell(*painter, cell, model.cell(row, logicalIndex), GridCellKind::fixed,
                          grid_->look(), false);
            y += model.rowHeight(row);
        }
    } else {
        int x = rect.left();
        for (int column = 0; column < model.fixedColumns() && logicalIndex < model.rows();
             ++column) {
            const QRect cell(x, rect.top(), model.columnWidth(column), rect.height());
            paintGridCell(*painter, cell, model.cell(logicalIndex, column), GridCellKind::fixed,
                          grid_->look(), false);
            x += model.columnWidth(column);
        }
    }
    painter->restore();
}

namespace {
// How near to a column's edge the pointer grabs it, in pixels either side.
constexpr int edgeGrip = 4;
static_assert(GridCtrl::narrowestResizedColumn >= 2 * edgeGrip + 2,
              "a column dragged narrow must still be grabbed again");
} // namespace

int GridHeader::resizeEdgeAt(int x) const {
    if (orientation() != Qt::Horizontal || !grid_->isColumnResizeAllowed())
        return -1;
    const GridModel& model = grid_->gridModel();
    for (const int probe : {x - edgeGrip, x + edgeGrip}) {
        const int column = logicalIndexAt(probe);
        if (column < model.fixedColumns())
            continue;
        const int right = sectionViewportPosition(column) + sectionSize(column);
        if (std::abs(right - x) <= edgeGrip)
            return column;
    }
    return -1;
}

void GridHeader::mousePressEvent(QMouseEvent* event) {
    grid_->commitEdit(); // before the cell is looked up: ending the edit may move rows
    const int edge = resizeEdgeAt(int(event->position().x()));
    if (edge >= 0 && event->button() == Qt::LeftButton) {
        resizingColumn_ = edge;
        resizeStartX_ = int(event->position().x());
        resizeStartWidth_ = grid_->columnWidth(edge);
        return;
    }
    grid_->cellPressed(cellAt(event->position().toPoint()), event);
}

void GridHeader::mouseMoveEvent(QMouseEvent* event) {
    const int x = int(event->position().x());
    if (resizingColumn_ >= 0) {
        grid_->setColumnWidth(resizingColumn_, std::clamp(resizeStartWidth_ + x - resizeStartX_,
                                                          GridCtrl::narrowestResizedColumn,
                                                          GridCtrl::widestResizedColumn));
        return;
    }
    if (event->buttons() == Qt::NoButton) {
        if (resizeEdgeAt(x) >= 0)
            viewport()->setCursor(Qt::SplitHCursor);
        else
            viewport()->unsetCursor();
        grid_->cellHovered(cellAt(event->position().toPoint()));
    }
}

void GridHeader::mouseReleaseEvent(QMouseEvent* event) {
    if (resizingColumn_ >= 0) {
        const int column = resizingColumn_;
        resizingColumn_ = -1;
        emit grid_->columnResized(column, grid_->columnWidth(column));
        return;
    }
    grid_->cellReleased(cellAt(event->position().toPoint()), event);
}

void GridHeader::mouseDoubleClickEvent(QMouseEvent* event) {
    if (resizeEdgeAt(int(event->position().x())) >= 0)
        return;
    grid_->cellDoubleClicked(cellAt(event->position().toPoint()));
}

bool GridHeader::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave)
        grid_->hideTitleTipUnlessOver();
    return QHeaderView::viewportEvent(event);
}
