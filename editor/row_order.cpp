#include "editor/row_order.h"

#include <algorithm>
#include <numeric>

namespace RowOrder {

namespace {

std::vector<int> identity(int rowCount) {
    std::vector<int> order(std::size_t(std::max(rowCount, 0)));
    std::iota(order.begin(), order.end(), 0);
    return order;
}

std::vector<bool> marks(int rowCount, const std::vector<int>& selected) {
    std::vector<bool> marked(std::size_t(std::max(rowCount, 0)));
    for (int row : selected)
        if (row >= 0 && row < rowCount)
            marked[std::size_t(row)] = true;
    return marked;
}

} // namespace

std::vector<int> blockAt(int rowCount, const std::vector<int>& selected, int first) {
    const std::vector<bool> marked = marks(rowCount, selected);
    std::vector<int> block;
    std::vector<int> rest;
    for (int row = 0; row < rowCount; ++row)
        (marked[std::size_t(row)] ? block : rest).push_back(row);
    first = std::clamp(first, 0, int(rest.size()));
    std::vector<int> order(rest.begin(), rest.begin() + first);
    order.insert(order.end(), block.begin(), block.end());
    order.insert(order.end(), rest.begin() + first, rest.end());
    return order;
}

std::vector<int> dropBlock(int rowCount, const std::vector<int>& selected, int target) {
    if (selected.empty() || target < 0 || target >= rowCount)
        return identity(rowCount);
    const std::vector<bool> marked = marks(rowCount, selected);
    // Unselected rows that end up in front of the block.
    int before = 0;
    const bool below = target > *std::max_element(selected.begin(), selected.end());
    for (int row = 0; row < (below ? target + 1 : target); ++row)
        before += marked[std::size_t(row)] ? 0 : 1;
    return blockAt(rowCount, selected, before);
}

std::vector<int> shift(int rowCount, const std::vector<int>& selected, int delta) {
    std::vector<int> order = identity(rowCount);
    const std::vector<bool> marked = marks(rowCount, selected);
    if (selected.empty() || (delta != -1 && delta != 1))
        return order;
    if ((delta < 0 && marked.front()) || (delta > 0 && marked.back()))
        return order;
    // Each selected row swaps with the unselected row next to its run.
    if (delta < 0) {
        for (int row = 1; row < rowCount; ++row)
            if (marked[std::size_t(row)])
                std::swap(order[std::size_t(row)], order[std::size_t(row - 1)]);
    } else {
        for (int row = rowCount - 2; row >= 0; --row)
            if (marked[std::size_t(row)])
                std::swap(order[std::size_t(row)], order[std::size_t(row + 1)]);
    }
    return order;
}

} // namespace RowOrder
