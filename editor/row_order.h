#pragma once

// New orders of a list's rows for the moves of the "Channel List" window. Each result holds,
// for every new row, the row it comes from; selected rows keep their order among themselves.

#include <vector>

namespace RowOrder {

// The rows `selected` (ascending) as one block dropped on row `target`: below the block the
// block follows the target row, above it (and between its rows) it goes before the target.
// A single row thus ends at the target's index.
std::vector<int> dropBlock(int rowCount, const std::vector<int>& selected, int target);

// The block with its first row at index `first` (clamped so that the block fits).
std::vector<int> blockAt(int rowCount, const std::vector<int>& selected, int first);

// Every selected row one place up (delta -1) or down (+1), gaps kept; nothing moves when a
// selected row already stands at that end.
std::vector<int> shift(int rowCount, const std::vector<int>& selected, int delta);

} // namespace RowOrder
