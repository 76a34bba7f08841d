#include "widgets/grid/grid_corner.h"

#include "widgets/grid/grid_cell_painter.h"
#include "widgets/grid/grid_model.h"

#include <QMouseEvent>
#include <QPainter>

GridCorner::GridCorner(GridCtrl* grid) : QWidget(grid), grid_(grid) {
    setMouseTracking(true);
}

GridCellRef GridCorner::cellAt(const QPoint& position) const {
    const GridModel& model = grid_->gridModel();
    const int row = model.fixedRowAt(position.y());
    const int column = model.fixedColumnAt(position.x());
    if (row < 0 || column < 0)
        return {};
    return {row, column};
}

QRect GridCorner::cellRect(int row, int column) const {
    const GridModel& model = grid_->gridModel();
    if (!model.contains(row, column) || row >= model.fixedRows() || column >= model.fixedColumns())
        return {};
    return QRect(model.fixedColumnLeft(column), model.fixedRowTop(row), model.columnWidth(column),
                 model.rowHeight(row));
}

void GridCorner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const GridModel& model = grid_->gridModel();
    painter.fillRect(rect(), grid_->look().fixedBackgroundColour);
    for (int row = 0; row < model.fixedRows(); ++row)
        for (int column = 0; column < model.fixedColumns(); ++column)
            paintGridCell(painter, cellRect(row, column), model.cell(row, column),
                          GridCellKind::fixed, grid_->look(), false);
}

void GridCorner::mousePressEvent(QMouseEvent* event) {
    grid_->commitEdit(); // before the cell is looked up: ending the edit may move rows
    grid_->cellPressed(cellAt(event->position().toPoint()), event);
}

void GridCorner::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() == Qt::NoButton)
        grid_->cellHovered(cellAt(event->position().toPoint()));
}

void GridCorner::mouseReleaseEvent(QMouseEvent* event) {
    grid_->cellReleased(cellAt(event->position().toPoint()), event);
}

void GridCorner::leaveEvent(QEvent*) {
    grid_->hideTitleTipUnlessOver();
}
