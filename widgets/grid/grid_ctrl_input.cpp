// Focus, selection, keyboard, mouse and the pop-up for truncated texts.
#include "widgets/grid/grid_ctrl.h"

#include "widgets/grid/grid_cell_editor.h"
#include "widgets/grid/grid_model.h"
#include "widgets/grid/grid_title_tip.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

// ---------------------------------------------------------------------------------------------
// Focus and selection

bool GridCtrl::isDataCell(int row, int column) const {
    return model_->contains(row, column) && !model_->isFixed(row, column);
}

GridCellRef GridCtrl::firstDataCell() const {
    if (isDataCell(model_->fixedRows(), model_->fixedColumns()))
        return {model_->fixedRows(), model_->fixedColumns()};
    return {};
}

GridCellRef GridCtrl::clampToData(GridCellRef cell) const {
    if (!firstDataCell().isValid())
        return {};
    cell.row = std::clamp(cell.row, model_->fixedRows(), model_->rows() - 1);
    cell.column = std::clamp(cell.column, model_->fixedColumns(), model_->columns() - 1);
    return cell;
}

void GridCtrl::moveFocus(GridCellRef cell) {
    if (focus_.isValid() && model_->contains(focus_.row, focus_.column))
        model_->cell(focus_.row, focus_.column).state &= ~GridState::focused;
    focus_ = model_->contains(cell.row, cell.column) ? cell : GridCellRef{};
    if (focus_.isValid())
        model_->cell(focus_.row, focus_.column).state |= GridState::focused;
    repaintCells();
}

bool GridCtrl::setFocusCell(int row, int column) {
    if (row == -1 && column == -1) {
        moveFocus({});
        return true;
    }
    if (!model_->contains(row, column))
        return false;
    moveFocus({row, column});
    anchor_ = focus_;
    return true;
}

// Only the area that may hold selected cells is visited, so that moving a one-row selection
// through a long grid costs the same as through a short one.
void GridCtrl::clearSelectedFlags() {
    const QRect area = selectedArea_.intersected(QRect(0, 0, model_->columns(), model_->rows()));
    for (int row = area.top(); row <= area.bottom(); ++row)
        for (int column = area.left(); column <= area.right(); ++column)
            model_->cell(row, column).state &= ~GridState::selected;
    selectedArea_ = QRect();
}

void GridCtrl::selectCells(const QRect& cells) {
    for (int row = cells.top(); row <= cells.bottom(); ++row)
        for (int column = cells.left(); column <= cells.right(); ++column)
            model_->cell(row, column).state |= GridState::selected;
    selectedArea_ = selectedArea_.isNull() ? cells : selectedArea_.united(cells);
}

void GridCtrl::selectRectangle(GridCellRef from, GridCellRef to) {
    clearSelectedFlags();
    if (selectionAllowed_ && from.isValid() && to.isValid()) {
        int firstColumn = std::min(from.column, to.column);
        int lastColumn = std::max(from.column, to.column);
        if (listMode_) {
            firstColumn = model_->fixedColumns();
            lastColumn = model_->columns() - 1;
        }
        selectCells(QRect(QPoint(firstColumn, std::min(from.row, to.row)),
                          QPoint(lastColumn, std::max(from.row, to.row))));
    }
    repaintCells();
}

void GridCtrl::restartSelection() {
    anchor_ = focus_;
    selectRectangle(focus_, focus_);
}

bool GridCtrl::setSelectedRange(int firstRow, int firstColumn, int lastRow, int lastColumn,
                                bool repaint) {
    if (firstRow == -1 && firstColumn == -1 && lastRow == -1 && lastColumn == -1) {
        clearSelectedFlags();
        if (repaint)
            repaintCells();
        return true;
    }
    if (!model_->contains(firstRow, firstColumn) || !model_->contains(lastRow, lastColumn))
        return false;
    clearSelectedFlags();
    selectCells(QRect(QPoint(std::min(firstColumn, lastColumn), std::min(firstRow, lastRow)),
                      QPoint(std::max(firstColumn, lastColumn), std::max(firstRow, lastRow))));
    anchor_ = {firstRow, firstColumn};
    if (repaint)
        repaintCells();
    return true;
}

void GridCtrl::clearSelection() {
    clearSelectedFlags();
    moveFocus({});
}

void GridCtrl::selectAll() {
    if (!selectionAllowed_)
        return;
    if (model_->rows() > model_->fixedRows() && model_->columns() > model_->fixedColumns())
        selectCells(QRect(QPoint(model_->fixedColumns(), model_->fixedRows()),
                          QPoint(model_->columns() - 1, model_->rows() - 1)));
    repaintCells();
}

bool GridCtrl::ensureCellVisible(int row, int column) {
    if (!model_->contains(row, column))
        return false;
    // Fixed rows and columns never scroll; show the data cell nearest to the fixed one.
    const GridCellRef target = clampToData({row, column});
    if (isDataCell(target.row, target.column))
        scrollTo(model_->index(target.row, target.column));
    return true;
}

// Moves the focus cell as a navigation key does; true when it moved.
bool GridCtrl::navigate(int key, Qt::KeyboardModifiers modifiers) {
    const GridCellRef first = firstDataCell();
    if (!first.isValid())
        return false; // nowhere to go, and the bounds below would cross
    if (!focus_.isValid()) {
        moveFocus(first);
        restartSelection();
        ensureCellVisible(first.row, first.column);
        return true;
    }
    const int firstRow = model_->fixedRows();
    const int firstColumn = model_->fixedColumns();
    const int lastRow = model_->rows() - 1;
    const int lastColumn = model_->columns() - 1;
    GridCellRef next = focus_;
    switch (key) {
    case Qt::Key_Up:
        next.row = std::max(firstRow, next.row - 1);
        break;
    case Qt::Key_Down:
        next.row = std::min(lastRow, next.row + 1);
        break;
    case Qt::Key_Left:
        next.column = std::max(firstColumn, next.column - 1);
        break;
    case Qt::Key_Right:
        next.column = std::min(lastColumn, next.column + 1);
        break;
    case Qt::Key_Tab:
        if (next.column < lastColumn) {
            ++next.column;
        } else if (next.row < lastRow) {
            ++next.row;
            next.column = firstColumn;
        }
        break;
    case Qt::Key_Backtab:
        if (next.column > firstColumn) {
            --next.column;
        } else if (next.row > firstRow) {
            --next.row;
            next.column = lastColumn;
        }
        break;
    case Qt::Key_Home:
        scrollToTop();
        next.row = firstRow;
        break;
    case Qt::Key_End:
        scrollToBottom();
        next.row = lastRow;
        break;
    case Qt::Key_PageDown:
    case Qt::Key_PageUp: {
        const bool down = key == Qt::Key_PageDown;
        const int before = rowAt(0);
        verticalScrollBar()->triggerAction(down ? QAbstractSlider::SliderPageStepAdd
                                                : QAbstractSlider::SliderPageStepSub);
        const int after = rowAt(0);
        if (before < 0 || after == before)
            next.row = down ? lastRow : firstRow; // already on the last (first) page
        else
            next.row = std::clamp(next.row + after - before, firstRow, lastRow);
        break;
    }
    default:
        return false;
    }
    if (next == focus_)
        return false;
    moveFocus(next);
    const bool tab = key == Qt::Key_Tab || key == Qt::Key_Backtab;
    if (!(modifiers & Qt::ShiftModifier) || tab)
        restartSelection();
    else
        selectRectangle(anchor_.isValid() ? anchor_ : focus_, focus_);
    ensureCellVisible(next.row, next.column);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Keyboard

void GridCtrl::keyPressEvent(QKeyEvent* event) {
    hideTitleTip();
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool ctrl = modifiers & Qt::ControlModifier;
    if (ctrl) {
        switch (key) {
        case Qt::Key_A:
            selectAll();
            return;
        case Qt::Key_C:
            copy();
            return;
        case Qt::Key_X:
            cut();
            return;
        case Qt::Key_V:
            paste();
            return;
        default:
            break;
        }
    }
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        // Ctrl+Tab moves on to the dialog's next control, as dialogs do for controls that
        // keep Tab for themselves.
        if (ctrl) {
            QAbstractScrollArea::focusNextPrevChild(key == Qt::Key_Tab &&
                                                    !(modifiers & Qt::ShiftModifier));
            return;
        }
        if (!tabKeyNavigation()) {
            event->ignore();
            return;
        }
        navigate(key, modifiers);
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        navigate(key, modifiers);
        return;
    case Qt::Key_Delete:
        if (editable_ && isDataCell(focus_.row, focus_.column) &&
            !(model_->cell(focus_.row, focus_.column).state & GridState::readOnly))
            clearCellByControl(focus_.row, focus_.column);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Inside a dialog, Enter is the dialog's (its default button).
        if (qobject_cast<QDialog*>(window())) {
            event->ignore();
            return;
        }
        startEdit(focus_, {GridEditStart::Kind::returnKey, {}});
        return;
    case Qt::Key_Backspace:
        startEdit(focus_, {GridEditStart::Kind::backspace, {}});
        return;
    default:
        break;
    }
    const QString text = event->text();
    if (!ctrl && !text.isEmpty() && text.at(0).isPrint()) {
        startEdit(focus_, {GridEditStart::Kind::character, text});
        return;
    }
    event->ignore();
}

void GridCtrl::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    // Characters must arrive as key presses, which start an edit; an input method would hand
    // them to the item view's keyboard search instead. The edit box takes input methods.
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

void GridCtrl::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    hideTitleTip();
}

// ---------------------------------------------------------------------------------------------
// Mouse

void GridCtrl::mousePressEvent(QMouseEvent* event) {
    commitEdit(); // before the cell is looked up: ending the edit may move rows
    const QModelIndex index = indexAt(event->position().toPoint());
    cellPressed(index.isValid() ? GridCellRef{index.row(), index.column()} : GridCellRef{}, event);
}

void GridCtrl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    if (mouseMode_ == MouseMode::selecting && (event->buttons() & Qt::LeftButton)) {
        selectionDragged(position);
        return;
    }
    if (event->buttons() == Qt::NoButton) {
        const QModelIndex index = indexAt(position);
        cellHovered(index.isValid() ? GridCellRef{index.row(), index.column()} : GridCellRef{});
    }
}

void GridCtrl::mouseReleaseEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    cellReleased(index.isValid() ? GridCellRef{index.row(), index.column()} : GridCellRef{}, event);
}

void GridCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    cellDoubleClicked(index.isValid() ? GridCellRef{index.row(), index.column()} : GridCellRef{});
}

void GridCtrl::cellPressed(GridCellRef cell, const QMouseEvent* event) {
    hideTitleTip();
    commitEdit();
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton || !model_->contains(cell.row, cell.column))
        return;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool dataCell = !model_->isFixed(cell.row, cell.column);
    pressedCell_ = cell;

    // A second click on the focus cell edits it when the button comes up.
    if (dataCell && cell == focus_) {
        mouseMode_ = MouseMode::prepareEdit;
        return;
    }

    anchor_ = shift && focus_.isValid() ? focus_ : cell;
    GridCellRef next = cell;
    if (cell.row < model_->fixedRows())
        next.row = focus_.row;
    if (cell.column < model_->fixedColumns())
        next.column = focus_.column;

    if (!ctrl)
        clearSelectedFlags();
    selectedBeforeDrag_.clear();
    if (ctrl) {
        selectedBeforeDrag_.resize(std::size_t(model_->rows()) * std::size_t(model_->columns()));
        for (int row = 0; row < model_->rows(); ++row)
            for (int column = 0; column < model_->columns(); ++column)
                selectedBeforeDrag_[std::size_t(row) * std::size_t(model_->columns()) +
                                    std::size_t(column)] =
                    model_->cell(row, column).state & GridState::selected;
    }
    if (next.isValid() && !(next == focus_))
        moveFocus(next);

    mouseMode_ = MouseMode::none;
    if (dataCell && selectionAllowed_) {
        mouseMode_ = MouseMode::selecting;
        dragRectangle_ = QRect();
        updateDragSelection(cell);
    }
    if (dataCell)
        scrollTo(model_->index(cell.row, cell.column));
    repaintCells();
}

void GridCtrl::updateDragSelection(GridCellRef to) {
    if (!anchor_.isValid() || !firstDataCell().isValid())
        return;
    // Rows and columns that changed since the press end the drag (structureChanged); these
    // keep the loop below inside the grid whatever happens.
    const QRect grid(0, 0, model_->columns(), model_->rows());
    dragRectangle_ = dragRectangle_.intersected(grid);
    if (selectedBeforeDrag_.size() != std::size_t(grid.width()) * std::size_t(grid.height()))
        selectedBeforeDrag_.clear();
    const GridCellRef from = clampToData(anchor_);
    to = clampToData(to);
    QRect next(QPoint(std::min(from.column, to.column), std::min(from.row, to.row)),
               QPoint(std::max(from.column, to.column), std::max(from.row, to.row)));
    if (listMode_) {
        next.setLeft(model_->fixedColumns());
        next.setRight(model_->columns() - 1);
    }
    // Only the cells of the old and the new rectangle can change.
    const QRect touched = dragRectangle_.isNull() ? next : dragRectangle_.united(next);
    const std::size_t columns = std::size_t(model_->columns());
    for (int row = touched.top(); row <= touched.bottom(); ++row) {
        for (int column = touched.left(); column <= touched.right(); ++column) {
            const bool before =
                !selectedBeforeDrag_.empty() &&
                selectedBeforeDrag_[std::size_t(row) * columns + std::size_t(column)];
            std::uint32_t& state = model_->cell(row, column).state;
            if (next.contains(column, row) || before)
                state |= GridState::selected;
            else
                state &= ~GridState::selected;
        }
    }
    dragRectangle_ = next;
    selectedArea_ = selectedArea_.isNull() ? next : selectedArea_.united(next);
    repaintCells();
}

// The data cell nearest to a point of the data area, clamped to the rows and columns shown.
void GridCtrl::selectionDragged(const QPoint& position) {
    lastDragPosition_ = position;
    const QRect area = viewport()->rect();
    if (!area.contains(position)) {
        if (!autoScrollTimer_.isActive())
            autoScrollTimer_.start();
    } else {
        autoScrollTimer_.stop();
    }
    const QPoint inside(std::clamp(position.x(), 0, std::max(0, area.width() - 1)),
                        std::clamp(position.y(), 0, std::max(0, area.height() - 1)));
    int row = rowAt(inside.y());
    int column = columnAt(inside.x());
    if (row < 0)
        row = model_->rows() - 1;
    if (column < 0)
        column = model_->columns() - 1;
    updateDragSelection({row, column});
}

void GridCtrl::autoScroll() {
    if (mouseMode_ != MouseMode::selecting) {
        autoScrollTimer_.stop();
        return;
    }
    const QRect area = viewport()->rect();
    if (lastDragPosition_.y() < area.top())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (lastDragPosition_.y() > area.bottom())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (lastDragPosition_.x() < area.left())
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (lastDragPosition_.x() > area.right())
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    selectionDragged(lastDragPosition_);
}

void GridCtrl::cellReleased(GridCellRef cell, const QMouseEvent* event) {
    autoScrollTimer_.stop();
    const MouseMode mode = mouseMode_;
    mouseMode_ = MouseMode::none;
    selectedBeforeDrag_.clear();
    if (mode == MouseMode::prepareEdit && cell == pressedCell_ && cell == focus_)
        startEdit(cell, {GridEditStart::Kind::mouse, {}});
    if (event->button() == Qt::LeftButton)
        emit buttonReleased();
}

void GridCtrl::cellDoubleClicked(GridCellRef cell) {
    mouseMode_ = MouseMode::none;
    // The press before it ended any other edit, so an edit now is the one its release started
    // on this cell.
    if (editing_ || !isDataCell(cell.row, cell.column))
        return;
    if (!(cell == focus_)) {
        moveFocus(cell);
        restartSelection();
    }
    startEdit(cell, {GridEditStart::Kind::mouse, {}});
}

void GridCtrl::wheelEvent(QWheelEvent* event) {
    hideTitleTip();
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        QTableView::wheelEvent(event);
        return;
    }
    event->accept();
    // Small steps of fine-grained wheels add up until they make a line (or page).
    const bool pageWise = wheelStep_ < 0;
    wheelRemainder_ += pageWise ? delta : delta * wheelStep_;
    const int steps = wheelRemainder_ / 120;
    wheelRemainder_ -= steps * 120;
    const auto action = steps > 0 ? (pageWise ? QAbstractSlider::SliderPageStepSub
                                              : QAbstractSlider::SliderSingleStepSub)
                                  : (pageWise ? QAbstractSlider::SliderPageStepAdd
                                              : QAbstractSlider::SliderSingleStepAdd);
    for (int i = 0; i < std::abs(steps); ++i)
        verticalScrollBar()->triggerAction(action);
}

void GridCtrl::leaveEvent(QEvent* event) {
    QTableView::leaveEvent(event);
    hideTitleTipUnlessOver();
}

bool GridCtrl::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave)
        hideTitleTipUnlessOver();
    return QTableView::viewportEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Pop-up for truncated text

void GridCtrl::cellHovered(GridCellRef cell) {
    if (!titleTips_ || mouseMode_ != MouseMode::none || !model_->contains(cell.row, cell.column) ||
        (editing_ && cell == editCell_) || !isActiveWindow()) {
        hideTitleTip();
        return;
    }
    if (titleTip_->isVisible() && cell == tipCell_)
        return;
    const GridCell& data = model_->cell(cell.row, cell.column);
    const QRect rect = cellRect(cell.row, cell.column);
    const int needed = QFontMetrics(data.font).horizontalAdvance(data.text) + 2 * look_.margin;
    if (data.text.isEmpty() || rect.isEmpty() || needed <= rect.width()) {
        hideTitleTip();
        return;
    }
    tipCell_ = cell;
    titleTip_->showText(data.text, data.font, QRect(mapToGlobal(rect.topLeft()), rect.size()));
}

// A pop-up over a cell whose contents changed shows the new text, or goes when that fits.
void GridCtrl::cellsUpdated(const QModelIndex& topLeft, const QModelIndex& bottomRight) {
    if (!tipCell_.isValid() || !titleTip_->isVisible() || tipCell_.row < topLeft.row() ||
        tipCell_.row > bottomRight.row() || tipCell_.column < topLeft.column() ||
        tipCell_.column > bottomRight.column())
        return;
    const GridCellRef cell = tipCell_;
    hideTitleTip();
    cellHovered(cell);
}

void GridCtrl::hideTitleTip() {
    if (titleTip_ && titleTip_->isVisible())
        titleTip_->hide();
    tipCell_ = {};
}

// The pointer "leaves" the grid for the pop-up itself where the platform does not let the
// mouse through it; that must not take the pop-up away.
void GridCtrl::hideTitleTipUnlessOver() {
    if (titleTip_ && titleTip_->isVisible() && titleTip_->cellRect().contains(QCursor::pos()))
        return;
    hideTitleTip();
}

bool GridCtrl::isTitleTipShown() const {
    return titleTip_->isVisible();
}

QString GridCtrl::titleTipText() const {
    return titleTip_->text();
}
