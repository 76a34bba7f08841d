#include "editor/program_list_view.h"

#include "editor/program_list_model.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <utility>

ProgramListView::ProgramListView(QWidget* parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setDefaultAlignment(Qt::AlignCenter);
    connect(header(), &QHeaderView::sectionClicked, this, &ProgramListView::sortRequested);

    // Holding the pointer above or below the list keeps it scrolling.
    m_scrollTimer.setInterval(100);
    connect(&m_scrollTimer, &QTimer::timeout, this, [this] { scrollTowards(m_lastPosition); });
}

std::vector<int> ProgramListView::selectedRows() const {
    std::vector<int> rows;
    if (!selectionModel())
        return rows;
    // Rows are selected whole, so each range's rows are selected rows. (The selection model's
    // own selectedRows() tests every row against every range, which takes seconds for
    // thousands of rows picked one by one.)
    for (const QItemSelectionRange& range : selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void ProgramListView::selectRows(const std::vector<int>& rows) {
    if (!model() || !selectionModel())
        return;
    QItemSelection selection;
    const int columns = model()->columnCount();
    // Runs of neighbouring rows as one range each.
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1)
            ++j;
        selection.select(model()->index(rows[i], 0), model()->index(rows[j], columns - 1));
        i = j + 1;
    }
    if (rows.empty()) {
        selectionModel()->clearSelection();
        return;
    }
    selectionModel()->setCurrentIndex(model()->index(rows.front(), 0),
                                      QItemSelectionModel::NoUpdate);
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    scrollTo(model()->index(rows.front(), 0));
}

void ProgramListView::keyboardSearch(const QString& search) {
    // The search runs in the current index's column, which must be the names.
    QModelIndex current = currentIndex();
    if (!current.isValid() && model() && model()->rowCount() > 0)
        current = model()->index(0, ProgramListModel::nameColumn);
    if (current.isValid() && current.column() != ProgramListModel::nameColumn)
        current = current.siblingAtColumn(ProgramListModel::nameColumn);
    if (current.isValid() && current != currentIndex())
        selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    QTreeView::keyboardSearch(search);
}

int ProgramListView::rowAt(QPoint position) const {
    if (!viewport()->rect().contains(position))
        return -1;
    return indexAt(position).row();
}

void ProgramListView::mousePressEvent(QMouseEvent* event) {
    m_selectOnRelease = false;
    if (event->button() == Qt::LeftButton) {
        m_pressPosition = event->position().toPoint();
        m_pressRow = rowAt(m_pressPosition);
        const bool plain = !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
        if (plain && m_pressRow >= 0 && selectionModel() &&
            selectionModel()->isRowSelected(m_pressRow, {})) {
            m_selectOnRelease = true;
            setFocus(Qt::MouseFocusReason);
            return;
        }
    }
    QTreeView::mousePressEvent(event);
}

void ProgramListView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    if (!m_dragging && (event->buttons() & Qt::LeftButton) && m_pressRow >= 0 &&
        (position - m_pressPosition).manhattanLength() >= QApplication::startDragDistance()) {
        m_dragging = true;
        setState(QAbstractItemView::DraggingState);
        viewport()->setCursor(Qt::DragMoveCursor);
        m_scrollTimer.start();
    }
    if (m_dragging) {
        trackDrag(position);
        return;
    }
    // A press on a row only selects it; moving the pointer before the drag begins does
    // not select other rows.
    if ((event->buttons() & Qt::LeftButton) && m_pressRow >= 0)
        return;
    QTreeView::mouseMoveEvent(event);
}

void ProgramListView::mouseReleaseEvent(QMouseEvent* event) {
    if (m_dragging && event->button() == Qt::LeftButton) {
        const int to = rowAt(event->position().toPoint());
        const bool onSelected = to >= 0 && selectionModel()->isRowSelected(to, {});
        endDrag();
        if (to >= 0 && !onSelected)
            emit dropRequested(to);
        return;
    }
    if (std::exchange(m_selectOnRelease, false) && m_pressRow >= 0 &&
        event->button() == Qt::LeftButton) {
        selectRows({m_pressRow});
        m_pressRow = -1;
        return;
    }
    m_pressRow = -1;
    QTreeView::mouseReleaseEvent(event);
}

void ProgramListView::trackDrag(QPoint position) {
    m_lastPosition = position;
    scrollTowards(position);
    const int dropRow = rowAt(position);
    if (dropRow != m_dropRow) {
        m_dropRow = dropRow;
        viewport()->update();
    }
}

void ProgramListView::scrollTowards(QPoint position) {
    if (!m_dragging || !model())
        return;
    const QRect area = viewport()->rect();
    if (position.y() < area.top()) {
        const int top = indexAt(QPoint(1, 1)).row();
        if (top > 0)
            scrollTo(model()->index(top - 1, 0), QAbstractItemView::PositionAtTop);
    } else if (position.y() > area.bottom()) {
        const QModelIndex bottomIndex = indexAt(QPoint(1, area.bottom() - 1));
        const int bottom = bottomIndex.isValid() ? bottomIndex.row() : model()->rowCount() - 1;
        if (bottom < model()->rowCount() - 1)
            scrollTo(model()->index(bottom + 1, 0), QAbstractItemView::PositionAtBottom);
    }
}

void ProgramListView::endDrag() {
    m_dragging = false;
    m_selectOnRelease = false;
    m_pressRow = -1;
    m_dropRow = -1;
    m_scrollTimer.stop();
    viewport()->unsetCursor();
    setState(QAbstractItemView::NoState);
    viewport()->update();
}

void ProgramListView::keyPressEvent(QKeyEvent* event) {
    if (m_dragging) {
        if (event->key() == Qt::Key_Escape)
            endDrag();
        event->accept();
        return;
    }
    if (event->modifiers() == Qt::ControlModifier) {
        const auto command = [this, event](Command c) {
            emit commandRequested(c);
            event->accept();
        };
        switch (event->key()) {
        case Qt::Key_Up:
            return command(Command::up);
        case Qt::Key_Down:
            return command(Command::down);
        case Qt::Key_Home:
            return command(Command::top);
        case Qt::Key_End:
            return command(Command::bottom);
        case Qt::Key_G:
            return command(Command::position);
        default:
            break;
        }
        if (event->key() >= Qt::Key_1 && event->key() <= Qt::Key_6) {
            emit sortRequested(event->key() - Qt::Key_1);
            event->accept();
            return;
        }
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        emit commandRequested(Command::remove);
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void ProgramListView::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    if (m_dragging)
        return;
    if (event->reason() == QContextMenuEvent::Mouse) {
        const int row = rowAt(event->pos());
        if (row >= 0)
            emit menuRequested(row, event->globalPos());
        return;
    }
    const QModelIndex current = currentIndex();
    if (current.isValid())
        emit menuRequested(current.row(), viewport()->mapToGlobal(visualRect(current).center()));
}

void ProgramListView::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if (!m_dragging || m_dropRow < 0 || !model() || selectionModel()->isRowSelected(m_dropRow, {}))
        return;
    // A bar where the dragged rows will land: below the target row when it lies below all of
    // them, above it otherwise.
    const std::vector<int> rows = selectedRows();
    const QRect target = visualRect(model()->index(m_dropRow, 0));
    const int y = !rows.empty() && m_dropRow > rows.back() ? target.bottom() : target.top();
    QPainter painter(viewport());
    painter.fillRect(QRect(0, y - 1, viewport()->width(), 3), palette().color(QPalette::Text));
}
