#include "app/grid/grid_ctrl.h"

#include "app/grid/grid_cell_editor.h"
#include "app/grid/grid_clipboard.h"
#include "app/grid/grid_corner.h"
#include "app/grid/grid_delegate.h"
#include "app/grid/grid_header.h"
#include "app/grid/grid_model.h"
#include "app/grid/grid_printer.h"
#include "app/grid/grid_title_tip.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QWheelEvent>

// ---------------------------------------------------------------------------------------------
// Construction and settings

GridCtrl::GridCtrl(QWidget* parent) : QTableView(parent) {
    model_ = new GridModel(this);
    delegate_ = new GridDelegate(this);
    columnHeader_ = new GridHeader(Qt::Horizontal, this);
    rowHeader_ = new GridHeader(Qt::Vertical, this);
    setModel(model_);
    setHorizontalHeader(columnHeader_);
    setVerticalHeader(rowHeader_);
    setItemDelegate(delegate_);
    corner_ = new GridCorner(this);
    titleTip_ = new GridTitleTip(this);

    setShowGrid(false);
    setWordWrap(false);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(true);
    setDragEnabled(false);
    setAutoScroll(false);
    setCornerButtonEnabled(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);

    autoScrollTimer_.setInterval(25);
    connect(&autoScrollTimer_, &QTimer::timeout, this, &GridCtrl::autoScroll);

    // Read once, as the desktop has it now.
    const int lines = QApplication::wheelScrollLines();
    wheelStep_ = lines != 0 ? lines : 3;

    const QPalette& colours = palette();
    look_.textColour = colours.color(QPalette::Active, QPalette::Text);
    look_.backgroundColour = colours.color(QPalette::Active, QPalette::Base);
    look_.fixedTextColour = colours.color(QPalette::Active, QPalette::WindowText);
    look_.fixedBackgroundColour = colours.color(QPalette::Active, QPalette::Button);
    look_.highlightColour = colours.color(QPalette::Active, QPalette::Highlight);
    look_.highlightTextColour = colours.color(QPalette::Active, QPalette::HighlightedText);
    gridBackground_ = colours.color(QPalette::Active, QPalette::Dark);
    applyPalette();

    // A widget always has a font (its dialog's), so the font rule applies from the start.
    applyFont();
    applyFixedAreas();
}

GridCtrl::~GridCtrl() {
    // The edit box must not report back into a half-destroyed grid.
    if (editor_)
        disconnect(editor_, nullptr, this, nullptr);
}

void GridCtrl::applyPalette() {
    QPalette colours = viewport()->palette();
    colours.setColor(QPalette::Base, gridBackground_);
    viewport()->setPalette(colours);
    for (QHeaderView* header :
         {static_cast<QHeaderView*>(columnHeader_), static_cast<QHeaderView*>(rowHeader_)}) {
        QPalette headerColours = header->palette();
        headerColours.setColor(QPalette::Window, gridBackground_);
        headerColours.setColor(QPalette::Button, gridBackground_);
        header->setPalette(headerColours);
    }
}

void GridCtrl::applyFont() {
    const QFontMetrics metrics(font());
    const int oldRowHeight = defaultRowHeight_;
    const int oldColumnWidth = defaultColumnWidth_;
    look_.margin = metrics.horizontalAdvance(QLatin1Char(' '));
    defaultRowHeight_ = metrics.height() + std::max(0, metrics.leading()) + 2 * look_.margin;
    defaultColumnWidth_ = (look_.margin + 6 * metrics.averageCharWidth()) * 2;

    GridCell cellTemplate = model_->cellTemplate();
    cellTemplate.font = font();
    model_->setCellTemplate(cellTemplate);
    for (int row = 0; row < model_->rows(); ++row) {
        for (int column = 0; column < model_->columns(); ++column)
            model_->cell(row, column).font = font();
        // Rows and columns still at the old default size follow the font.
        if (model_->rowHeight(row) == oldRowHeight)
            model_->setRowHeight(row, defaultRowHeight_);
    }
    for (int column = 0; column < model_->columns(); ++column)
        if (model_->columnWidth(column) == oldColumnWidth)
            model_->setColumnWidth(column, defaultColumnWidth_);

    // Changing a header's default size resizes all its sections; put back the others.
    rowHeader_->setDefaultSectionSize(defaultRowHeight_);
    columnHeader_->setDefaultSectionSize(defaultColumnWidth_);
    for (int row = model_->fixedRows(); row < model_->rows(); ++row)
        if (model_->rowHeight(row) != defaultRowHeight_)
            rowHeader_->resizeSection(row, model_->rowHeight(row));
    for (int column = model_->fixedColumns(); column < model_->columns(); ++column)
        if (model_->columnWidth(column) != defaultColumnWidth_)
            columnHeader_->resizeSection(column, model_->columnWidth(column));
    applyFixedAreas();
    redraw();
}

void GridCtrl::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange && model_)
        applyFont();
}

// Fixed rows and columns are hidden in the data area and shown by the headers and the corner.
void GridCtrl::applyFixedAreas() {
    const int fixedRows = model_->fixedRows();
    for (int row = 0; row < model_->rows(); ++row) {
        if (row >= fixedRows && rowHeader_->hiddenSectionCount() == fixedRows)
            break; // only leading rows can be hidden
        const bool hide = row < fixedRows;
        if (rowHeader_->isSectionHidden(row) != hide) {
            setRowHidden(row, hide);
            if (!hide)
                rowHeader_->resizeSection(row, model_->rowHeight(row));
        }
    }
    const int fixedColumns = model_->fixedColumns();
    for (int column = 0; column < model_->columns(); ++column) {
        if (column >= fixedColumns && columnHeader_->hiddenSectionCount() == fixedColumns)
            break;
        const bool hide = column < fixedColumns;
        if (columnHeader_->isSectionHidden(column) != hide) {
            setColumnHidden(column, hide);
            if (!hide)
                columnHeader_->resizeSection(column, model_->columnWidth(column));
        }
    }

    const int fixedHeight = model_->fixedRowsHeight();
    const int fixedWidth = model_->fixedColumnsWidth();
    columnHeader_->setFixedHeight(fixedHeight);
    columnHeader_->setHidden(fixedHeight == 0);
    rowHeader_->setFixedWidth(fixedWidth);
    rowHeader_->setHidden(fixedWidth == 0);
    updateGeometries();
    redraw();
}

void GridCtrl::updateGeometries() {
    QTableView::updateGeometries();
    if (!corner_)
        return;
    const int width = model_->fixedColumnsWidth();
    const int height = model_->fixedRowsHeight();
    const QRect area = viewport()->geometry();
    corner_->setGeometry(area.left() - width, area.top() - height, width, height);
    corner_->setVisible(width > 0 && height > 0);
    corner_->raise();
}

void GridCtrl::scrollContentsBy(int dx, int dy) {
    hideTitleTip();
    QTableView::scrollContentsBy(dx, dy);
}

void GridCtrl::redraw() {
    viewport()->update();
    columnHeader_->viewport()->update();
    rowHeader_->viewport()->update();
    if (corner_)
        corner_->update();
}

void GridCtrl::repaintCells() {
    redraw();
}

void GridCtrl::setTextColour(const QColor& colour) {
    look_.textColour = colour;
    redraw();
}

void GridCtrl::setTextBackgroundColour(const QColor& colour) {
    look_.backgroundColour = colour;
    redraw();
}

void GridCtrl::setBackgroundColour(const QColor& colour) {
    gridBackground_ = colour;
    applyPalette();
    redraw();
}

void GridCtrl::setFixedTextColour(const QColor& colour) {
    look_.fixedTextColour = colour;
    redraw();
}

void GridCtrl::setFixedBackgroundColour(const QColor& colour) {
    look_.fixedBackgroundColour = colour;
    redraw();
}

void GridCtrl::setGridLineColour(const QColor& colour) {
    look_.gridLineColour = colour;
    redraw();
}

void GridCtrl::setGridLines(GridLines lines) {
    look_.horizontalLines = lines == GridLines::horizontal || lines == GridLines::both;
    look_.verticalLines = lines == GridLines::vertical || lines == GridLines::both;
    redraw();
}

GridLines GridCtrl::gridLines() const {
    if (look_.horizontalLines && look_.verticalLines)
        return GridLines::both;
    if (look_.horizontalLines)
        return GridLines::horizontal;
    return look_.verticalLines ? GridLines::vertical : GridLines::none;
}

void GridCtrl::setSelectionAllowed(bool on) {
    selectionAllowed_ = on;
    if (!on) {
        clearSelectedFlags();
        repaintCells();
    }
}

void GridCtrl::setTitleTips(bool on) {
    titleTips_ = on;
    if (!on)
        hideTitleTip();
}

// ---------------------------------------------------------------------------------------------
// Structure

int GridCtrl::rowCount() const {
    return model_->rows();
}

int GridCtrl::columnCount() const {
    return model_->columns();
}

int GridCtrl::fixedRowCount() const {
    return model_->fixedRows();
}

int GridCtrl::fixedColumnCount() const {
    return model_->fixedColumns();
}

bool GridCtrl::setRowCount(int count) {
    if (count < 0)
        return false;
    commitEdit();
    model_->setRowCount(count, defaultRowHeight_);
    if (focus_.row >= count)
        focus_ = {};
    if (anchor_.row >= count)
        anchor_ = {};
    applyFixedAreas();
    return true;
}

bool GridCtrl::setColumnCount(int count) {
    if (count < 0)
        return false;
    commitEdit();
    model_->setColumnCount(count, defaultColumnWidth_);
    if (focus_.column >= count)
        focus_ = {};
    if (anchor_.column >= count)
        anchor_ = {};
    applyFixedAreas();
    return true;
}

bool GridCtrl::setFixedRowCount(int count) {
    if (count < 0)
        return false;
    commitEdit();
    if (count > model_->rows())
        model_->setRowCount(count, defaultRowHeight_);
    model_->setFixedRows(count);
    if (focus_.isValid() && focus_.row < count)
        moveFocus({});
    for (int row = 0; row < count; ++row)
        for (int column = 0; column < model_->columns(); ++column)
            model_->cell(row, column).state &= ~GridState::selected;
    applyFixedAreas();
    return true;
}

bool GridCtrl::setFixedColumnCount(int count) {
    if (count < 0)
        return false;
    commitEdit();
    if (count > model_->columns())
        model_->setColumnCount(count, defaultColumnWidth_);
    model_->setFixedColumns(count);
    if (focus_.isValid() && focus_.column < count)
        moveFocus({});
    for (int row = 0; row < model_->rows(); ++row)
        for (int column = 0; column < count; ++column)
            model_->cell(row, column).state &= ~GridState::selected;
    applyFixedAreas();
    return true;
}

int GridCtrl::insertRow(const QString& text, int position) {
    if (position == -1)
        position = model_->rows();
    else if (position < 0 || position >= model_->rows())
        return -1;
    commitEdit();
    clearSelectedFlags();
    if (model_->columns() == 0)
        setColumnCount(1);

    const QFontMetrics metrics(font());
    const QString measured = text.isEmpty() ? QStringLiteral(" ") : text;
    const int height =
        metrics.boundingRect(QRect(0, 0, 0x7FFF, 0x7FFF), Qt::AlignLeft | Qt::AlignTop, measured)
            .height() +
        2 * look_.margin;
    model_->insertRowAt(position, height);
    model_->cell(position, 0).text = text;

    if (focus_.row > position) {
        ++focus_.row;
    } else if (focus_.row == position) {
        // The focus stays at its index, which the new row now holds.
        model_->cell(position + 1, focus_.column).state &= ~GridState::focused;
        model_->cell(position, focus_.column).state |= GridState::focused;
    }
    if (anchor_.row > position)
        ++anchor_.row;
    if (position >= model_->fixedRows())
        syncRowHeight(position);
    applyFixedAreas();
    return position;
}

bool GridCtrl::deleteRow(int row) {
    if (row < 0 || row >= model_->rows())
        return false;
    commitEdit();
    if (focus_.row == row)
        focus_ = {};
    else if (focus_.row > row)
        --focus_.row;
    if (anchor_.row == row)
        anchor_ = {};
    else if (anchor_.row > row)
        --anchor_.row;
    if (!selectedArea_.isNull() && selectedArea_.top() > 0)
        selectedArea_.setTop(selectedArea_.top() - 1); // the rows below move up
    model_->removeRowAt(row);
    applyFixedAreas();
    return true;
}

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
    model_->setRowHeight(row, height);
    syncRowHeight(row);
    return true;
}

bool GridCtrl::setColumnWidth(int column, int width) {
    if (column < 0 || column >= model_->columns() || width < 0)
        return false;
    model_->setColumnWidth(column, width);
    syncColumnWidth(column);
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
    if (!focus_.isValid()) {
        const GridCellRef first = firstDataCell();
        if (!first.isValid())
            return false;
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
    if (!anchor_.isValid() || model_->rows() <= model_->fixedRows() ||
        model_->columns() <= model_->fixedColumns())
        return;
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
    if (!isDataCell(cell.row, cell.column) || (editing_ && cell == editCell_))
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

// ---------------------------------------------------------------------------------------------
// Editing in place

bool GridCtrl::editCell(int row, int column) {
    return startEdit({row, column}, {GridEditStart::Kind::mouse, {}});
}

bool GridCtrl::startEdit(GridCellRef cell, const GridEditStart& start) {
    if (!editable_ || !isDataCell(cell.row, cell.column) ||
        (model_->cell(cell.row, cell.column).state & GridState::readOnly))
        return false;
    commitEdit();
    hideTitleTip();
    const QModelIndex index = model_->index(cell.row, cell.column);
    scrollTo(index);
    emit editBegun(cell.row, cell.column);
    // The begin-edit handler may have changed the grid.
    if (!isDataCell(cell.row, cell.column))
        return false;
    editCell_ = cell;
    editOldText_ = model_->cell(cell.row, cell.column).text;
    if (!edit(index, QAbstractItemView::AllEditTriggers, nullptr) || !delegate_->lastEditor()) {
        emit editEnded(cell.row, cell.column);
        return false;
    }
    editor_ = delegate_->lastEditor();
    editing_ = true;
    connect(editor_, &GridCellEditor::finished, this, &GridCtrl::finishEdit);
    // Typing hides the pop-up as any key on the grid does.
    connect(editor_, &QLineEdit::cursorPositionChanged, this, &GridCtrl::hideTitleTip);
    editor_->begin(editOldText_, start);
    editor_->setFocus(Qt::OtherFocusReason);
    return true;
}

void GridCtrl::commitEdit() {
    if (editing_)
        finishEdit(GridEditEnd::keep, 0, Qt::NoModifier);
}

void GridCtrl::finishEdit(GridEditEnd how, int key, Qt::KeyboardModifiers modifiers) {
    if (!editing_)
        return;
    editing_ = false;
    const GridCellRef cell = editCell_;
    QPointer<GridCellEditor> box = editor_;
    editor_ = nullptr;
    const QString text = how == GridEditEnd::revert || !box ? editOldText_ : box->text();
    if (box) {
        disconnect(box, nullptr, this, nullptr);
        closeEditor(box, QAbstractItemDelegate::NoHint);
    }
    if (!model_->contains(cell.row, cell.column))
        return;
    changeCellText(cell.row, cell.column, text);
    emit editEnded(cell.row, cell.column);
    if (how == GridEditEnd::move && focus_ == cell && navigate(key, modifiers))
        startEdit(focus_, {GridEditStart::Kind::navigation, {}});
}

bool GridCtrl::changeCellText(int row, int column, const QString& text) {
    GridCell& cell = model_->cell(row, column);
    if (cell.text == text)
        return false;
    cell.text = text;
    cell.state |= GridState::modified;
    model_->cellUpdated(row, column);
    emit cellChanged(row, column);
    return true;
}

void GridCtrl::clearCellByControl(int row, int column) {
    emit editBegun(row, column);
    if (model_->contains(row, column))
        changeCellText(row, column, QString());
    emit editEnded(row, column);
}

// ---------------------------------------------------------------------------------------------
// Clipboard

void GridCtrl::copy() {
    commitEdit();
    const QRect selected = gridSelectedRectangle(*model_);
    if (selected.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(gridCopyText(*model_, selected));
}

void GridCtrl::cut() {
    commitEdit();
    copy();
    if (!editable_)
        return;
    for (int row = model_->fixedRows(); row < model_->rows(); ++row) {
        for (int column = model_->fixedColumns(); column < model_->columns(); ++column) {
            if (!model_->contains(row, column))
                continue; // a cell-changed handler may have shrunk the grid
            const std::uint32_t state = model_->cell(row, column).state;
            if ((state & GridState::selected) && !(state & GridState::readOnly))
                clearCellByControl(row, column);
        }
    }
}

void GridCtrl::paste() {
    commitEdit();
    if (!editable_ || !isDataCell(focus_.row, focus_.column))
        return;
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty())
        return;
    const GridCellRef origin = focus_;
    const QList<QStringList> lines = gridPasteFields(text);
    for (int line = 0; line < lines.size(); ++line) {
        const QStringList& fields = lines[line];
        for (int field = 0; field < fields.size(); ++field) {
            const int row = origin.row + line;
            const int column = origin.column + field;
            if (!isDataCell(row, column) || (model_->cell(row, column).state & GridState::readOnly))
                continue;
            emit editBegun(row, column);
            if (model_->contains(row, column)) {
                changeCellText(row, column, fields[field]);
                model_->cell(row, column).state &= ~GridState::selected;
            }
            emit editEnded(row, column);
        }
    }
    repaintCells();
}

// ---------------------------------------------------------------------------------------------
// Printing

void GridCtrl::print() {
    commitEdit();
    if (model_->rows() <= model_->fixedRows())
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString());
    bool accepted = false;
    if (printDialogRunner_) {
        accepted = printDialogRunner_(printer);
    } else {
        QPrintDialog dialog(&printer, this);
        // All pages only: no page range, no selection, no current page.
        dialog.setOptions(QAbstractPrintDialog::PrintToFile |
                          QAbstractPrintDialog::PrintShowPageSize |
                          QAbstractPrintDialog::PrintCollateCopies);
        accepted = dialog.exec() == QDialog::Accepted;
    }
    if (accepted)
        printTo(printer);
}

int GridCtrl::printTo(QPrinter& printer) {
    commitEdit();
    return GridPrinter(*model_, look_).print(printer, printTitle_);
}
