#pragma once

#include "widgets/grid/grid_ctrl.h"

#include <QHeaderView>

// Shows the fixed cells along one side of the grid: above the data cells (the fixed rows,
// one section per scrolling column) or to their left (the fixed columns, one section per
// scrolling row). Being the view's header, it scrolls with the data cells for free. Mouse
// input on it goes to the grid's cell handling.
class GridHeader : public QHeaderView {
    Q_OBJECT
public:
    GridHeader(Qt::Orientation orientation, GridCtrl* grid);

    // The fixed cell under a point of the header's viewport; invalid when there is none.
    GridCellRef cellAt(const QPoint& position) const;
    // A fixed cell's rectangle in the header's viewport; empty when the cell is not on it.
    QRect cellRect(int row, int column) const;
    // The size of the fixed area. The view asks on every layout; measuring the sections, as
    // the base class does, would cost a pass over thousands of rows for a known result.
    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    // The scrolling column whose right edge is under `x` (viewport coordinates), when the
    // grid lets the user resize columns; -1 otherwise.
    int resizeEdgeAt(int x) const;

    GridCtrl* grid_;
    int resizingColumn_ = -1;
    int resizeStartX_ = 0;
    int resizeStartWidth_ = 0;
};
