#pragma once

#include <QPointer>
#include <QWidget>

// The pop-up that shows the whole text of a cell too narrow for it: a borderless topmost
// window over the cell that never takes the focus and lets the mouse through to the grid.
class GridTitleTip : public QWidget {
    Q_OBJECT
public:
    explicit GridTitleTip(QWidget* owner);

    // Shows `text` with one space on either side over `cellRect` (global coordinates).
    void showText(const QString& text, const QFont& font, const QRect& cellRect);
    QRect cellRect() const { return cellRect_; }
    QString text() const { return text_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    // Where the platform does not let the mouse through, the mouse is handed on to the window
    // under the pointer: the pop-up goes away on a press or when the pointer leaves the cell.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void passOn(QMouseEvent* event);

    QString text_;
    QRect cellRect_;
    QPointer<QWidget> pressTarget_; // receives the rest of a click that began on the pop-up
};
