#pragma once

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
    // Where the platform does not let the mouse through, presses and moves are handed on to the
    // window under the pointer.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void passOn(QMouseEvent* event);

    QString text_;
    QRect cellRect_;
};
