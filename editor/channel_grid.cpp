#include "editor/channel_grid.h"

#include "channels/channel_nodes.h"
#include "editor/channel_cells.h"

#include <array>

namespace {

struct ColumnLook {
    const char* header;
    int width;
    std::uint32_t alignment;
};

constexpr std::array<ColumnLook, TransponderColumn::count> transponderColumns = {{
    {"", 40, GridFormat::right},
    {"Frequency [KHz]", 138, GridFormat::centre},
    {"Polarization", 110, GridFormat::centre},
    {"FEC Inner", 110, GridFormat::centre},
    {"Symbol Rate [KHz]", 142, GridFormat::centre},
}};

constexpr std::array<ColumnLook, ProgramColumn::count> programColumns = {{
    {"", 40, GridFormat::right},
    {"Name", 132, GridFormat::left},
    {"ID", 54, GridFormat::centre},
    {"PCR", 54, GridFormat::centre},
    {"VID", 54, GridFormat::centre},
    {"AUD", 54, GridFormat::centre},
    {"TTXT", 54, GridFormat::centre},
    {"PMT", 54, GridFormat::centre},
    {"CA", 44, GridFormat::centre},
}};

constexpr int headerHeight = 16;
constexpr std::uint32_t headerFormat = GridFormat::verticalCentre | GridFormat::singleLine |
                                       GridFormat::noPrefix | GridFormat::endEllipsis;

template <std::size_t N>
void applyColumns(GridCtrl& grid, const std::array<ColumnLook, N>& columns) {
    grid.setColumnCount(int(N));
    grid.setFixedRowCount(1);
    grid.setFixedColumnCount(1);
    grid.setRowHeight(0, headerHeight);
    for (std::size_t column = 0; column < N; ++column) {
        GridItem item;
        item.row = 0;
        item.column = int(column);
        item.mask = GridMask::text | GridMask::format;
        item.text = QLatin1String(columns[column].header);
        item.format = headerFormat | columns[column].alignment;
        grid.setCell(item);
        grid.setColumnWidth(int(column), columns[column].width);
    }
}

} // namespace

ChannelGrid::ChannelGrid(QWidget* parent) : GridCtrl(parent) {}

void ChannelGrid::applyBaseSettings() {
    setEditable(true);
    setListMode(true);
    setTextBackgroundColour(QColor(240, 240, 240));
}

void ChannelGrid::setColumns(int gridMode) {
    gridMode_ = gridMode;
    setRowCount(0);
    setFixedRowCount(0);
    setFixedColumnCount(0);
    setColumnCount(0);
    if (gridMode == noRows)
        return;
    setRowCount(1);
    if (gridMode == transponderRows)
        applyColumns(*this, transponderColumns);
    else
        applyColumns(*this, programColumns);
}

void ChannelGrid::fillCell(int row, int column, const QString& text) {
    setCellText(row, column, text);
    const std::uint32_t state = getCellState(row, column);
    if (state & GridState::modified)
        setCellState(row, column, state & ~GridState::modified);
}

void ChannelGrid::fillTransponderRow(const Transponder& transponder, int row) {
    for (int column = 1; column < TransponderColumn::count; ++column)
        fillCell(row, column, transponderCellText(column, transponder));
}

void ChannelGrid::fillProgramRow(const Program& program, int row) {
    for (int column = 1; column < ProgramColumn::count; ++column)
        fillCell(row, column, programCellText(column, program));
}

void ChannelGrid::refreshNames(const TransponderNode& transponder) {
    if (gridMode_ != programRows)
        return;
    for (int row = 1; row < rowCount() && row <= transponder.programCount(); ++row)
        if (!isCellEdited(row, ProgramColumn::name))
            fillCell(row, ProgramColumn::name,
                     programCellText(ProgramColumn::name, *transponder.programAt(row - 1)));
}

CellRefusals ChannelGrid::readRow(int row, int columns,
                                  const std::function<QString(int, const QString&)>& read) {
    CellRefusals refusals;
    for (int column = 1; column < columns; ++column) {
        if (!isCellEdited(row, column))
            continue;
        const QString why = read(column, getCellText(row, column));
        if (!why.isEmpty()) {
            refusals.push_back({row, column, why});
            continue;
        }
        setCellState(row, column, getCellState(row, column) & ~GridState::modified);
    }
    return refusals;
}

CellRefusals ChannelGrid::readTransponderRow(int row, Transponder& transponder) {
    return readRow(row, TransponderColumn::count, [&transponder](int column, const QString& text) {
        return readTransponderCell(column, text, transponder);
    });
}

CellRefusals ChannelGrid::readProgramRow(int row, Program& program) {
    return readRow(row, ProgramColumn::count, [&program](int column, const QString& text) {
        return readProgramCell(column, text, program);
    });
}

bool ChannelGrid::isCellEdited(int row, int column) const {
    return (getCellState(row, column) & GridState::modified) != 0;
}

void ChannelGrid::markCellEdited(int row, int column) {
    setCellState(row, column, getCellState(row, column) | GridState::modified);
}

bool ChannelGrid::isRowEdited(int row) const {
    for (int column = 1; column < columnCount(); ++column)
        if (isCellEdited(row, column))
            return true;
    return false;
}

bool ChannelGrid::isRowSelected(int row) const {
    return (getCellState(row, 1) & GridState::selected) != 0;
}

void ChannelGrid::selectRow(int row) {
    setFocus(Qt::OtherFocusReason);
    setFocusCell(row, 1);
    setSelectedRange(row, fixedColumnCount(), row, columnCount() - 1);
}
