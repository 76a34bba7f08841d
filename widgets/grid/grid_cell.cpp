#include "widgets/grid/grid_cell.h"

Qt::Alignment gridHorizontalAlignment(std::uint32_t format) {
    if (format & GridFormat::centre)
        return Qt::AlignHCenter;
    if (format & GridFormat::right)
        return Qt::AlignRight;
    return Qt::AlignLeft;
}

Qt::Alignment gridAlignment(std::uint32_t format) {
    Qt::Alignment vertical = Qt::AlignTop;
    // Vertical placement only applies to single-line text, as with the classic drawing call.
    if (format & GridFormat::singleLine) {
        if (format & GridFormat::verticalCentre)
            vertical = Qt::AlignVCenter;
        else if (format & GridFormat::bottom)
            vertical = Qt::AlignBottom;
    }
    return gridHorizontalAlignment(format) | vertical;
}
