#pragma once

#include "widgets/grid/grid_cell_painter.h"

#include <QString>

#include <vector>

class GridModel;
class QPrinter;

// First data row of every printed page: the data rows go onto a page while their heights fit
// into `available`; the next row starts a new page. A row taller than a page gets a page of
// its own. Empty when there are no data rows.
std::vector<int> gridPageStarts(const GridModel& model, double available);

// Prints a grid: on every page a title, the fixed rows, the page's data rows and a footer
// with the page number and the date and time. The grid is scaled to the page width.
class GridPrinter {
public:
    GridPrinter(const GridModel& model, const GridLook& look) : model_(model), look_(look) {}

    // Returns the number of pages, 0 when there are no data rows (nothing is printed), -1 when
    // the printer could not be started.
    int print(QPrinter& printer, const QString& title) const;

private:
    const GridModel& model_;
    const GridLook& look_;
};
