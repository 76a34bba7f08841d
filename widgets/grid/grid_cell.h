#pragma once

#include <QFont>
#include <QString>
#include <Qt>

#include <cstdint>

// Cell state flags (GridCell::state).
namespace GridState {
constexpr std::uint32_t focused = 0x01;
constexpr std::uint32_t selected = 0x02;
constexpr std::uint32_t readOnly = 0x08; // never edited in place
constexpr std::uint32_t modified = 0x20; // the text was changed through the control
} // namespace GridState

// Text drawing flags (GridCell::format), with the values of the classic text-drawing call so
// that callers can write the familiar combinations (0x8025 for a centred header cell).
namespace GridFormat {
constexpr std::uint32_t left = 0x0000;
constexpr std::uint32_t centre = 0x0001;
constexpr std::uint32_t right = 0x0002;
constexpr std::uint32_t verticalCentre = 0x0004;
constexpr std::uint32_t bottom = 0x0008;
constexpr std::uint32_t wordBreak = 0x0010;
constexpr std::uint32_t singleLine = 0x0020;
constexpr std::uint32_t noPrefix = 0x0800;
constexpr std::uint32_t endEllipsis = 0x8000;
// What a new cell starts with: left-aligned on one line, centred vertically.
constexpr std::uint32_t cellDefault = verticalCentre | singleLine | noPrefix;
} // namespace GridFormat

// Which attributes GridItem carries into a cell (GridItem::mask).
namespace GridMask {
constexpr std::uint32_t text = 0x01;
constexpr std::uint32_t image = 0x02;
constexpr std::uint32_t data = 0x04;
constexpr std::uint32_t state = 0x08;
constexpr std::uint32_t backgroundColour = 0x10;
constexpr std::uint32_t textColour = 0x20;
constexpr std::uint32_t format = 0x40;
constexpr std::uint32_t font = 0x80;
} // namespace GridMask

// Cell colours are 0xRRGGBB values; this marker selects the grid-wide colour instead.
constexpr std::uint32_t kGridDefaultColour = 0xFF000000;

struct GridCell {
    std::uint32_t state = 0;
    std::uint32_t format = GridFormat::cellDefault;
    QString text;
    int image = -1;
    std::uint32_t backgroundColour = kGridDefaultColour;
    std::uint32_t textColour = kGridDefaultColour;
    QFont font;
    std::uint32_t data = 0;
};

// Several attributes of one cell at once; only those whose mask bit is set are used.
struct GridItem {
    int row = 0;
    int column = 0;
    std::uint32_t mask = 0;
    std::uint32_t state = 0;
    std::uint32_t format = 0;
    QString text;
    int image = -1;
    std::uint32_t backgroundColour = kGridDefaultColour;
    std::uint32_t textColour = kGridDefaultColour;
    std::uint32_t data = 0;
    QFont font;
};

// Qt alignment for the horizontal and vertical placement flags of a format.
Qt::Alignment gridAlignment(std::uint32_t format);
Qt::Alignment gridHorizontalAlignment(std::uint32_t format);
