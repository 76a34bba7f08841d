#include "editor/favorite_mask.h"

namespace FavoriteMask {

std::uint8_t added(std::uint8_t mask, int group, int groupCount) {
    if (mask == 0 && groupCount < 8)
        mask = anyGroupFlag;
    return std::uint8_t(mask | (1u << group));
}

std::uint8_t removed(std::uint8_t mask, int group, int groupCount) {
    mask = std::uint8_t(mask & ~(1u << group));
    if ((mask & 0x7F) == 0 && groupCount < 8)
        mask = 0;
    return mask;
}

QString text(std::uint8_t mask, int groupCount) {
    QString result;
    for (int group = 0; group < groupCount && group < 8; ++group)
        if (mask & (1u << group))
            result += QString::number(group + 1);
    return result;
}

} // namespace FavoriteMask
