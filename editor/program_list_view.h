#pragma once

// A channel list of the "Channel List" window: a report view over a ProgramListModel with
// extended selection (Shift and Ctrl with mouse and keys, Ctrl+A). The selected rows move as
// one block: dragged onto another row (the list scrolls by itself while the pointer is held
// above or below it), with Ctrl+Up / Ctrl+Down, Ctrl+Home / Ctrl+End (to the top, to the
// bottom) and Ctrl+G (to a typed position). The drag stays inside the list: the mouse is held
// by the list from the press to the release, and only a release on one of its own rows moves
// anything. Delete asks to delete the selected rows. Ctrl+1 .. Ctrl+6 stand for clicks on the
// column headers, the menu key for a right click on the current row.

#include <QPoint>
#include <QTimer>
#include <QTreeView>

#include <vector>

class ProgramListView : public QTreeView {
    Q_OBJECT

public:
    enum class Command { up, down, top, bottom, position, remove };

    explicit ProgramListView(QWidget* parent = nullptr);

    bool isDragging() const { return m_dragging; }
    // Typing looks for the next name beginning with the typed text.
    void keyboardSearch(const QString& search) override;
    // The selected rows, ascending.
    std::vector<int> selectedRows() const;
    // Selects exactly these rows (the first becomes current) and shows the first.
    void selectRows(const std::vector<int>& rows);

signals:
    // The selected rows are dropped on row `target`.
    void dropRequested(int target);
    void commandRequested(ProgramListView::Command command);
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
    // A press on a selected row keeps the selection for a drag; a click without a drag then
    // selects that row alone.
    bool m_selectOnRelease = false;
    QPoint m_pressPosition;
    bool m_dragging = false;
    int m_dropRow = -1;
    QPoint m_lastPosition;
    QTimer m_scrollTimer;
};
