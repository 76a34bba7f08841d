#include "widgets/grid/grid_cell_painter.h"

#include <QFontMetrics>
#include <QPainter>

QColor gridCellColour(std::uint32_t value, const QColor& fallback) {
    if (value == kGridDefaultColour)
        return fallback;
    return QColor::fromRgb(QRgb(value & 0xFFFFFFu));
}

void paintGridCell(QPainter& painter, const QRect& rect, const GridCell& cell, GridCellKind kind,
                   const GridLook& look, bool showMarks, const QFont* font) {
    const bool fixed = kind == GridCellKind::fixed;
    const QColor gridBackground = fixed ? look.fixedBackgroundColour : look.backgroundColour;
    const QColor gridText = fixed ? look.fixedTextColour : look.textColour;
    QColor background = gridCellColour(cell.backgroundColour, gridBackground);
    QColor foreground = gridCellColour(cell.textColour, gridText);

    // The last pixel column and row belong to the grid lines.
    QRect inner = rect;
    if (look.verticalLines || fixed)
        inner.setRight(rect.right() - 1);
    if (look.horizontalLines || fixed)
        inner.setBottom(rect.bottom() - 1);

    const bool selected = showMarks && !fixed && (cell.state & GridState::selected);
    const bool focused = showMarks && !fixed && (cell.state & GridState::focused);
    if (selected && !focused) {
        background = look.highlightColour;
        foreground = look.highlightTextColour;
    }
    painter.fillRect(inner, background);
    if (focused) {
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(inner.adjusted(0, 0, -1, -1));
    }

    if (fixed) {
        // Header cells carry a darker edge so that they read as buttons.
        painter.setPen(look.fixedBackgroundColour.darker(140));
        painter.drawLine(rect.topRight(), rect.bottomRight());
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    } else {
        painter.setPen(look.gridLineColour);
        if (look.verticalLines)
            painter.drawLine(rect.topRight(), rect.bottomRight());
        if (look.horizontalLines)
            painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    }

    if (cell.text.isEmpty())
        return;
    const QFont& textFont = font ? *font : cell.font;
    const QRect textRect = inner.adjusted(look.margin, 0, -look.margin, 0);
    int flags = int(gridAlignment(cell.format));
    if (cell.format & GridFormat::singleLine)
        flags |= Qt::TextSingleLine;
    else if (cell.format & GridFormat::wordBreak)
        flags |= Qt::TextWordWrap;
    painter.setFont(textFont);
    painter.setPen(foreground);
    const bool elide =
        (cell.format & GridFormat::endEllipsis) && (cell.format & GridFormat::singleLine);
    const QString shown =
        elide ? painter.fontMetrics().elidedText(cell.text, Qt::ElideRight, textRect.width())
              : cell.text;
    painter.drawText(textRect, flags, shown);
}
