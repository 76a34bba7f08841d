#include "widgets/grid/grid_title_tip.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

GridTitleTip::GridTitleTip(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                         Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setObjectName(QStringLiteral("GridCellTip"));
}

void GridTitleTip::showText(const QString& text, const QFont& font, const QRect& cellRect) {
    text_ = QLatin1Char(' ') + text + QLatin1Char(' ');
    cellRect_ = cellRect;
    setFont(font);
    const int width = QFontMetrics(font).horizontalAdvance(text_) + 2;
    setGeometry(cellRect.left(), cellRect.top(), std::max(width, cellRect.width()),
                cellRect.height());
    show();
    update();
}

void GridTitleTip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    painter.fillRect(rect(), colours.color(QPalette::ToolTipBase));
    painter.setPen(colours.color(QPalette::ToolTipText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.drawText(rect().adjusted(1, 0, -1, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text_);
}

void GridTitleTip::mousePressEvent(QMouseEvent* event) {
    hide();
    pressTarget_ = QApplication::widgetAt(event->globalPosition().toPoint());
    passOn(event);
}

void GridTitleTip::mouseReleaseEvent(QMouseEvent* event) {
    passOn(event);
    pressTarget_ = nullptr;
}

void GridTitleTip::mouseDoubleClickEvent(QMouseEvent* event) {
    passOn(event);
}

void GridTitleTip::mouseMoveEvent(QMouseEvent* event) {
    if (isVisible() && cellRect_.contains(event->globalPosition().toPoint()))
        return;
    hide();
    passOn(event);
}

void GridTitleTip::wheelEvent(QWheelEvent* event) {
    hide();
    QWidget* target = QApplication::widgetAt(event->globalPosition().toPoint());
    if (!target || target == this)
        return;
    QWheelEvent copy(target->mapFromGlobal(event->globalPosition()), event->globalPosition(),
                     event->pixelDelta(), event->angleDelta(), event->buttons(), event->modifiers(),
                     event->phase(), event->inverted());
    QCoreApplication::sendEvent(target, &copy);
}

void GridTitleTip::leaveEvent(QEvent*) {
    if (!cellRect_.contains(QCursor::pos()))
        hide();
}

void GridTitleTip::passOn(QMouseEvent* event) {
    QWidget* target = pressTarget_;
    if (!target)
        target = QApplication::widgetAt(event->globalPosition().toPoint());
    if (!target || target == this)
        return;
    QMouseEvent copy(event->type(), target->mapFromGlobal(event->globalPosition()),
                     event->globalPosition(), event->button(), event->buttons(),
                     event->modifiers());
    QCoreApplication::sendEvent(target, &copy);
}
