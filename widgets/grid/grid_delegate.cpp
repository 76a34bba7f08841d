#include "widgets/grid/grid_delegate.h"

#include "widgets/grid/grid_cell_editor.h"
#include "widgets/grid/grid_cell_painter.h"
#include "widgets/grid/grid_ctrl.h"
#include "widgets/grid/grid_model.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QPainter>

GridDelegate::GridDelegate(GridCtrl* grid) : QStyledItemDelegate(grid), grid_(grid) {}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    const GridModel& model = grid_->gridModel();
    if (!model.contains(index.row(), index.column()))
        return;
    painter->save();
    paintGridCell(*painter, option.rect, model.cell(index.row(), index.column()),
                  GridCellKind::data, grid_->look(), true);
    painter->restore();
}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                    const QModelIndex& index) const {
    auto* editor = new GridCellEditor(parent); // owned by the view, which destroys it
    editor->setFont(grid_->font());
    const GridModel& model = grid_->gridModel();
    if (model.contains(index.row(), index.column())) {
        const GridCell& cell = model.cell(index.row(), index.column());
        editor->setAlignment(gridHorizontalAlignment(cell.format) | Qt::AlignVCenter);
        // The box would otherwise take the colour of the area around the cells.
        QPalette colours = QApplication::palette(editor);
        colours.setColor(QPalette::Base,
                         gridCellColour(cell.backgroundColour, grid_->look().backgroundColour));
        colours.setColor(QPalette::Text, gridCellColour(cell.textColour, grid_->look().textColour));
        editor->setPalette(colours);
        editor->setAutoFillBackground(true);
    }
    lastEditor_ = editor;
    return editor;
}

void GridDelegate::setEditorData(QWidget*, const QModelIndex&) const {
    // The grid fills the box according to the key that started the edit.
}

void GridDelegate::setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const {
    // The grid stores the text itself when the edit ends.
}

void GridDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                        const QModelIndex&) const {
    auto* box = qobject_cast<GridCellEditor*>(editor);
    if (!box)
        return;
    const QRect cell = option.rect.adjusted(0, 0, -1, -1);
    box->placeOver(cell, grid_->viewport()->width() - 1);
}

bool GridDelegate::eventFilter(QObject*, QEvent*) {
    return false;
}
