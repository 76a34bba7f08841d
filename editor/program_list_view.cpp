#include "editor/program_list_view.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

ProgramListView::ProgramListView(QWidget* parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
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

int ProgramListView::rowAt(QPoint position) const {
    if (!viewport()->rect().contains(position))
        return -1;
    return indexAt(position).row();
}

void ProgramListView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_pressPosition = event->position().toPoint();
        m_pressRow = rowAt(m_pressPosition);
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
        const int from = m_pressRow;
        const int to = rowAt(event->position().toPoint());
        endDrag();
        if (to >= 0 && to != from)
            emit moveRequested(from, to);
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
        const int row = currentIndex().row();
        if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
            const int to = row + (event->key() == Qt::Key_Up ? -1 : 1);
            if (row >= 0 && to >= 0 && model() && to < model()->rowCount())
                emit moveRequested(row, to);
            event->accept();
            return;
        }
        if (event->key() >= Qt::Key_1 && event->key() <= Qt::Key_4) {
            emit sortRequested(event->key() - Qt::Key_1);
            event->accept();
            return;
        }
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
    if (!m_dragging || m_dropRow < 0 || m_dropRow == m_pressRow || !model())
        return;
    // A bar where the dragged row will land: below the target row when moving down, above
    // it when moving up.
    const QRect target = visualRect(model()->index(m_dropRow, 0));
    const int y = m_dropRow > m_pressRow ? target.bottom() : target.top();
    QPainter painter(viewport());
    painter.fillRect(QRect(0, y - 1, viewport()->width(), 3), palette().color(QPalette::Text));
}
