#pragma once

#include "widgets/grid/grid_ctrl.h"

#include <QWidget>

// The fixed cells where the fixed rows and columns meet; they never scroll.
class GridCorner : public QWidget {
    Q_OBJECT
public:
    explicit GridCorner(GridCtrl* grid);

    GridCellRef cellAt(const QPoint& position) const;
    QRect cellRect(int row, int column) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    GridCtrl* grid_;
};
