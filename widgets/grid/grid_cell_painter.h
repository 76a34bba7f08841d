#pragma once

#include "widgets/grid/grid_cell.h"

#include <QColor>
#include <QFont>

class QPainter;
class QRect;

// Grid-wide look shared by every cell: the colours a cell falls back to, the grid lines and
// the inner margin of the text.
struct GridLook {
    QColor textColour;
    QColor backgroundColour;
    QColor fixedTextColour;
    QColor fixedBackgroundColour;
    QColor gridLineColour{0xC0, 0xC0, 0xC0};
    QColor highlightColour;
    QColor highlightTextColour;
    bool horizontalLines = true;
    bool verticalLines = true;
    int margin = 2;
};

enum class GridCellKind { data, fixed };

// Draws one cell into `rect`, its grid lines on its right and bottom edge. `showMarks` draws
// the focus frame and the selection colours (off when printing). `font`, when given, replaces
// the cell's font.
void paintGridCell(QPainter& painter, const QRect& rect, const GridCell& cell, GridCellKind kind,
                   const GridLook& look, bool showMarks, const QFont* font = nullptr);

// The colour a cell colour value stands for, `fallback` for kGridDefaultColour.
QColor gridCellColour(std::uint32_t value, const QColor& fallback);
