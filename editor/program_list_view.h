#pragma once

// A channel list of the "Channel List" window: a report view over a ProgramListModel in
// which a row is moved by dragging it onto another row (the list scrolls by itself while the
// pointer is held above or below it) or with Ctrl+Up / Ctrl+Down. The drag stays inside the
// list: the mouse is held by the list from the press to the release, and only a release on
// one of its own rows moves anything. Ctrl+1 .. Ctrl+4 stand for clicks on the column
// headers, the menu key for a right click on the current row.

#include <QPoint>
#include <QTimer>
#include <QTreeView>

class ProgramListView : public QTreeView {
    Q_OBJECT

public:
    explicit ProgramListView(QWidget* parent = nullptr);

    bool isDragging() const { return m_dragging; }

signals:
    // The row `from` is to end at `to` (the rows between shift by one).
    void moveRequested(int from, int to);
    void sortRequested(int column);
    void menuRequested(int row, QPoint globalPosition);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Rows under a point of the viewport; -1 outside the rows.
    int rowAt(QPoint position) const;
    void trackDrag(QPoint position);
    void scrollTowards(QPoint position);
    void endDrag();

    int m_pressRow = -1;
    QPoint m_pressPosition;
    bool m_dragging = false;
    int m_dropRow = -1;
    QPoint m_lastPosition;
    QTimer m_scrollTimer;
};
