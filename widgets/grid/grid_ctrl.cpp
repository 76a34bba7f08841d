// Construction, the grid-wide look and settings, and rows and columns coming and going.
#include "widgets/grid/grid_ctrl.h"

#include "widgets/grid/grid_corner.h"
#include "widgets/grid/grid_delegate.h"
#include "widgets/grid/grid_header.h"
#include "widgets/grid/grid_model.h"
#include "widgets/grid/grid_title_tip.h"

#include <QApplication>

#include <algorithm>

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

    // Whatever moves cells ends a mouse drag and takes the pop-up away: both point at cells
    // by their index.
    const auto moved = [this] { structureChanged(); };
    connect(model_, &QAbstractItemModel::rowsInserted, this, moved);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, moved);
    connect(model_, &QAbstractItemModel::columnsInserted, this, moved);
    connect(model_, &QAbstractItemModel::columnsRemoved, this, moved);
    connect(model_, &QAbstractItemModel::modelReset, this, moved);
    connect(model_, &QAbstractItemModel::dataChanged, this, &GridCtrl::cellsUpdated);

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
    hideTitleTip();
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
    structureChanged();
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
    structureChanged();
    applyFixedAreas();
    return true;
}

void GridCtrl::structureChanged() {
    endMouseDrag();
    hideTitleTip();
}

void GridCtrl::endMouseDrag() {
    autoScrollTimer_.stop();
    mouseMode_ = MouseMode::none;
    pressedCell_ = {};
    dragRectangle_ = QRect();
    selectedBeforeDrag_.clear();
}

std::vector<int> GridCtrl::commitEditFollowing(std::vector<int> rows) {
    if (!editing_)
        return rows;
    const auto inserted = [&rows](const QModelIndex&, int first, int last) {
        for (int& row : rows)
            if (row >= first)
                row += last - first + 1;
    };
    const auto removed = [&rows](const QModelIndex&, int first, int last) {
        for (int& row : rows)
            if (row > last)
                row -= last - first + 1;
            else if (row >= first)
                row = -1;
    };
    const auto setRemoved = [&rows](const std::vector<int>& gone) {
        for (int& row : rows) {
            const auto at = std::lower_bound(gone.begin(), gone.end(), row);
            row = at != gone.end() && *at == row ? -1 : row - int(at - gone.begin());
        }
    };
    const QMetaObject::Connection links[] = {
        connect(model_, &QAbstractItemModel::rowsInserted, this, inserted),
        connect(model_, &QAbstractItemModel::rowsRemoved, this, removed),
        connect(model_, &GridModel::rowSetRemoved, this, setRemoved),
    };
    commitEdit();
    for (const QMetaObject::Connection& link : links)
        disconnect(link);
    return rows;
}

int GridCtrl::commitEditFollowing(int row) {
    return commitEditFollowing(std::vector<int>{row}).front();
}

int GridCtrl::insertRow(const QString& text, int position) {
    if (position < -1 || position >= model_->rows())
        return -1;
    if (position == -1) {
        commitEdit();
        position = model_->rows();
    } else {
        position = commitEditFollowing(position);
        if (position < 0)
            return -1;
    }
    clearSelectedFlags();
    if (model_->columns() == 0)
        setColumnCount(1);

    const QFontMetrics metrics(font());
    const QString measured = text.isEmpty() ? QStringLiteral(" ") : text;
    const int height =
        metrics.boundingRect(QRect(0, 0, 0x7FFF, 0x7FFF), Qt::AlignLeft | Qt::AlignTop, measured)
            .height() +
        2 * look_.margin;
    const bool fixedArea = position < model_->fixedRows();
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
    // A data row leaves the fixed areas as they are; the view lays itself out again.
    if (fixedArea)
        applyFixedAreas();
    else
        syncRowHeight(position);
    return position;
}

bool GridCtrl::deleteRow(int row) {
    if (row < 0 || row >= model_->rows())
        return false;
    row = commitEditFollowing(row);
    if (row < 0)
        return false;
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
    const bool fixedArea = row < model_->fixedRows();
    model_->removeRowAt(row);
    if (fixedArea)
        applyFixedAreas();
    return true;
}

int GridCtrl::deleteRows(std::vector<int> rows) {
    std::erase_if(rows, [this](int row) { return row < 0 || row >= model_->rows(); });
    if (rows.empty())
        return 0;
    rows = commitEditFollowing(std::move(rows));
    std::erase_if(rows, [](int row) { return row < 0; });
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty())
        return 0;

    // Where a surviving row ends up; -1 for a row that goes.
    const auto after = [&rows](int row) {
        const auto at = std::lower_bound(rows.begin(), rows.end(), row);
        return at != rows.end() && *at == row ? -1 : row - int(at - rows.begin());
    };
    if (focus_.isValid()) {
        focus_.row = after(focus_.row);
        if (focus_.row < 0)
            focus_ = {};
    }
    if (anchor_.isValid()) {
        anchor_.row = after(anchor_.row);
        if (anchor_.row < 0)
            anchor_ = {};
    }
    if (!selectedArea_.isNull()) {
        const int gone =
            int(std::lower_bound(rows.begin(), rows.end(), selectedArea_.top()) - rows.begin());
        selectedArea_.setTop(selectedArea_.top() - gone); // the bottom only ever shrinks
    }
    const bool fixedArea = rows.front() < model_->fixedRows();
    if (model_->removeRowSet(rows))
        restoreSections();
    else if (fixedArea)
        applyFixedAreas();
    return int(rows.size());
}

// After a model reset the headers know only the default section size and nothing hidden.
void GridCtrl::restoreSections() {
    for (int row = model_->fixedRows(); row < model_->rows(); ++row)
        if (rowHeader_->sectionSize(row) != model_->rowHeight(row))
            rowHeader_->resizeSection(row, model_->rowHeight(row));
    for (int column = model_->fixedColumns(); column < model_->columns(); ++column)
        if (columnHeader_->sectionSize(column) != model_->columnWidth(column))
            columnHeader_->resizeSection(column, model_->columnWidth(column));
    applyFixedAreas();
}

std::vector<int> GridCtrl::selectedRows() const {
    std::vector<int> rows;
    const QRect area = selectedArea_.intersected(QRect(0, 0, model_->columns(), model_->rows()));
    for (int row = area.top(); row <= area.bottom(); ++row)
        for (int column = area.left(); column <= area.right(); ++column)
            if (model_->cell(row, column).state & GridState::selected) {
                rows.push_back(row);
                break;
            }
    return rows;
}
